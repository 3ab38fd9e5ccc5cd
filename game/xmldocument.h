#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The one error of the XML reader, thrown by value. It never leaves the game definition
// reading, which catches it and keeps what it stored before.
struct XMLException {
    enum Code : std::int32_t {
        kNoParser = 1,          // the XML library cannot create a parser
        kCannotRead = 2,        // the file cannot be opened, or reading it fails
        kNotWellFormed = 3,     // the XML library rejects the document
        kMissingAttribute = 4,  // Attribute() found no attribute of that name
        kMissingChild = 5,      // Child() found no child element of that name
    };

    std::int32_t code = 0;
    // The parser's line for code 3, the searched element's line for codes 4 and 5, else 0.
    std::int32_t line = 0;
    // The name of the missing attribute or element; empty otherwise.
    std::string text;
};

// One element, or one attribute of an element. A node owns its children and attributes.
// Texts are UTF-8 as the XML library delivers them.
class XmlNode {
public:
    XmlNode(XmlNode* parent, std::string name, std::int32_t line);
    // Destroys the whole subtree without recursing, however deep the document nests.
    ~XmlNode();
    XmlNode(const XmlNode&) = delete;
    XmlNode& operator=(const XmlNode&) = delete;

    XmlNode* Parent() const { return parent; }
    // The line of the element's start tag (an attribute's element); 0 for the document.
    std::int32_t Line() const { return line; }
    const std::string& Name() const { return name; }
    // An attribute's value or an element's character data; absent elements read as "".
    bool HasValue() const { return hasValue; }
    const std::string& Value() const { return value; }

    std::int32_t ChildCount() const { return static_cast<std::int32_t>(children.size()); }
    // Child element i; callers stay below ChildCount().
    const XmlNode& ChildAt(std::int32_t i) const { return *children[static_cast<std::size_t>(i)]; }
    // The first child element with exactly this name; throws code 5 when there is none.
    const XmlNode& Child(const std::string& childName) const;
    const XmlNode* FindChild(const std::string& childName) const;
    // The first attribute with exactly this name; throws code 4 when there is none.
    const XmlNode& Attribute(const std::string& attributeName) const;
    const XmlNode* FindAttribute(const std::string& attributeName) const;

    // Building, for the parser's handlers.
    XmlNode& AddChild(std::string childName, std::int32_t childLine);
    void AddAttribute(std::string attributeName, std::string attributeValue);
    void AppendValue(const char* text, std::size_t length);

private:
    XmlNode* parent;
    std::int32_t line;
    std::vector<std::unique_ptr<XmlNode>> children;
    std::vector<std::unique_ptr<XmlNode>> attributes;
    std::string name;
    std::string value;
    bool hasValue = false;
};

// The document root (no parent, name "", line 0). After a successful Parse its only child
// is the file's top element.
class XmlDocument : public XmlNode {
public:
    XmlDocument();

    // Reads and parses the whole file into the tree, feeding the XML library 256 bytes at a
    // time, or throws XMLException (codes 1 to 3). Only one document parses at a time.
    void Parse(const std::string& path);
};
