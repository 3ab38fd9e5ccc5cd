#include "game/xmldocument.h"

#include "base/regularfile.h"

#include <expat.h>

#include <cstdio>
#include <exception>
#include <iterator>
#include <limits>

namespace {

constexpr std::size_t kPieceSize = 256;

// The parser being run, for the handlers: they ask it for the current line and move its
// user data, which is the current node. A handler must not let an exception unwind
// through the C library, so a failure (exhausted memory) stops the parser and is kept
// here until XML_Parse has returned. One slot per thread: one document parses at a time.
struct ActiveParse {
    XML_Parser parser = nullptr;
    std::exception_ptr failure;
};
thread_local ActiveParse active;

// Fills the slot for the duration of one Parse, whichever way it ends.
class ActiveParseScope {
public:
    explicit ActiveParseScope(XML_Parser parser) { active = {parser, nullptr}; }
    ~ActiveParseScope() { active = {}; }
    ActiveParseScope(const ActiveParseScope&) = delete;
    ActiveParseScope& operator=(const ActiveParseScope&) = delete;
};

struct ParserFree {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};
using ParserHandle = std::unique_ptr<XML_ParserStruct, ParserFree>;

std::int32_t CurrentLine() {
    const XML_Size line = XML_GetCurrentLineNumber(active.parser);
    constexpr auto kMaximum = static_cast<XML_Size>(std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(line < kMaximum ? line : kMaximum);
}

template <class Action>
void RunHandler(Action action) {
    if (active.failure) return;
    try {
        action();
    } catch (...) {
        active.failure = std::current_exception();
        XML_StopParser(active.parser, XML_FALSE);
    }
}

void XMLCALL StartElement(void* userData, const XML_Char* name, const XML_Char** attributes) {
    RunHandler([&] {
        XmlNode& element = static_cast<XmlNode*>(userData)->AddChild(name, CurrentLine());
        for (const XML_Char** attribute = attributes; *attribute; attribute += 2) {
            element.AddAttribute(attribute[0], attribute[1]);
        }
        XML_SetUserData(active.parser, &element);
    });
}

void XMLCALL EndElement(void* userData, const XML_Char* /*name*/) {
    RunHandler([&] {
        if (XmlNode* parent = static_cast<XmlNode*>(userData)->Parent()) {
            XML_SetUserData(active.parser, parent);
        }
    });
}

bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Pieces made only of white space (the line breaks and indentation between tags) are
// dropped; any other piece is kept whole.
void XMLCALL CharacterData(void* userData, const XML_Char* text, int length) {
    RunHandler([&] {
        const auto size = static_cast<std::size_t>(length);
        for (std::size_t i = 0; i < size; ++i) {
            if (!IsXmlSpace(text[i])) {
                static_cast<XmlNode*>(userData)->AppendValue(text, size);
                return;
            }
        }
    });
}

void Feed(XML_Parser parser, const char* data, std::size_t size, bool final) {
    const XML_Status status =
        XML_Parse(parser, data, static_cast<int>(size), final ? XML_TRUE : XML_FALSE);
    if (active.failure) std::rethrow_exception(active.failure);
    if (status == XML_STATUS_ERROR) {
        throw XMLException{XMLException::kNotWellFormed, CurrentLine(), {}};
    }
}

// The first node of exactly that name; lookups are linear scans.
const XmlNode* FindNamed(const std::vector<std::unique_ptr<XmlNode>>& nodes,
                         const std::string& name) {
    for (const auto& node : nodes) {
        if (node->Name() == name) return node.get();
    }
    return nullptr;
}

}  // namespace

XmlNode::XmlNode(XmlNode* parentNode, std::string nodeName, std::int32_t nodeLine)
    : parent(parentNode), line(nodeLine), name(std::move(nodeName)) {}

XmlNode::~XmlNode() {
    // Each node taken from the list hands its children to the list before it is destroyed,
    // so no destructor goes deeper than one level.
    std::vector<std::unique_ptr<XmlNode>> pending = std::move(children);
    while (!pending.empty()) {
        std::unique_ptr<XmlNode> node = std::move(pending.back());
        pending.pop_back();
        std::move(node->children.begin(), node->children.end(), std::back_inserter(pending));
        node->children.clear();
    }
}

const XmlNode* XmlNode::FindChild(const std::string& childName) const {
    return FindNamed(children, childName);
}

const XmlNode& XmlNode::Child(const std::string& childName) const {
    if (const XmlNode* child = FindChild(childName)) return *child;
    throw XMLException{XMLException::kMissingChild, line, childName};
}

const XmlNode* XmlNode::FindAttribute(const std::string& attributeName) const {
    return FindNamed(attributes, attributeName);
}

const XmlNode& XmlNode::Attribute(const std::string& attributeName) const {
    if (const XmlNode* attribute = FindAttribute(attributeName)) return *attribute;
    throw XMLException{XMLException::kMissingAttribute, line, attributeName};
}

XmlNode& XmlNode::AddChild(std::string childName, std::int32_t childLine) {
    children.push_back(std::make_unique<XmlNode>(this, std::move(childName), childLine));
    return *children.back();
}

void XmlNode::AddAttribute(std::string attributeName, std::string attributeValue) {
    auto attribute = std::make_unique<XmlNode>(this, std::move(attributeName), line);
    attribute->value = std::move(attributeValue);
    attribute->hasValue = true;
    attributes.push_back(std::move(attribute));
}

void XmlNode::AppendValue(const char* text, std::size_t length) {
    value.append(text, length);
    hasValue = true;
}

XmlDocument::XmlDocument() : XmlNode(nullptr, std::string(), 0) {}

void XmlDocument::Parse(const std::string& path) {
    // No encoding given: the document's own declaration decides.
    const ParserHandle parser(XML_ParserCreate(nullptr));
    if (!parser) throw XMLException{XMLException::kNoParser, 0, {}};
    const FileHandle file = OpenRegularStream(path, kMaxTextFileBytes);
    if (!file) throw XMLException{XMLException::kCannotRead, 0, {}};

    XML_SetElementHandler(parser.get(), StartElement, EndElement);
    XML_SetCharacterDataHandler(parser.get(), CharacterData);
    XML_SetUserData(parser.get(), static_cast<XmlNode*>(this));
    const ActiveParseScope scope(parser.get());

    char piece[kPieceSize];
    while (!std::feof(file.get())) {
        const std::size_t count = std::fread(piece, 1, sizeof piece, file.get());
        if (count > 0) Feed(parser.get(), piece, count, false);
        if (std::ferror(file.get())) throw XMLException{XMLException::kCannotRead, 0, {}};
    }
    Feed(parser.get(), nullptr, 0, true);
}
