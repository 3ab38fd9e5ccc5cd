#include "savegame/javastream.h"

#include <algorithm>
#include <cstring>

namespace javastream {

namespace {

constexpr std::uint16_t kMagic = 0xACED;
constexpr std::uint16_t kVersion = 5;
constexpr std::uint32_t kBaseHandle = 0x7E0000;

enum TypeCode : std::uint8_t {
    kNull = 0x70,
    kReference = 0x71,
    kClassDescCode = 0x72,
    kObjectCode = 0x73,
    kString = 0x74,
    kArray = 0x75,
    kClass = 0x76,
    kBlockData = 0x77,
    kEndBlockData = 0x78,
    kReset = 0x79,
    kBlockDataLong = 0x7A,
    kException = 0x7B,
    kLongString = 0x7C,
    kProxyClassDesc = 0x7D,
    kEnum = 0x7E,
};

enum ClassFlags : std::uint8_t {
    kWriteMethod = 0x01,
    kSerializable = 0x02,
    kExternalizable = 0x04,
    kBlockDataFlag = 0x08,
};

std::size_t PrimitiveSize(char type) {
    switch (type) {
        case 'B':
        case 'Z':
            return 1;
        case 'C':
        case 'S':
            return 2;
        case 'I':
        case 'F':
            return 4;
        case 'J':
        case 'D':
            return 8;
        default:
            return 0;
    }
}

// Thrown inside the reader only, and turned into a ReadError at its edge.
struct StreamFault {
    Failure failure;
    std::string message;
};

class StreamReader {
public:
    StreamReader(Graph& target, const std::vector<std::string>& noDefaults,
                 const ReadLimits& readLimits)
        : graph(target), noDefaultFields(noDefaults), limits(readLimits) {}

    void Read() {
        if (graph.bytes.size() < 4 || ReadU16() != kMagic || ReadU16() != kVersion)
            throw StreamFault{Failure::kNotAStream, "not a Java object stream"};
        while (position < graph.bytes.size()) {
            if (limits.maxRoots && graph.roots.size() >= limits.maxRoots) return;
            const std::uint8_t code = Peek();
            if (code == kBlockData || code == kBlockDataLong) {
                ReadBlock();
            } else {
                graph.roots.push_back(ReadObject());
            }
        }
    }

private:
    [[noreturn]] void Damaged(const std::string& what) const {
        throw StreamFault{Failure::kDamaged, what + " at byte " + std::to_string(position)};
    }

    void Need(std::size_t count) const {
        if (graph.bytes.size() - position < count) {
            throw StreamFault{Failure::kDamaged, "it ends too early"};
        }
    }
    std::size_t Remaining() const { return graph.bytes.size() - position; }

    std::uint8_t Peek() const {
        Need(1);
        return static_cast<std::uint8_t>(graph.bytes[position]);
    }
    std::uint64_t ReadBigEndian(std::size_t size) {
        Need(size);
        std::uint64_t result = 0;
        for (std::size_t i = 0; i < size; ++i)
            result = (result << 8) | static_cast<std::uint8_t>(graph.bytes[position + i]);
        position += size;
        return result;
    }
    std::uint8_t ReadU8() { return static_cast<std::uint8_t>(ReadBigEndian(1)); }
    std::uint16_t ReadU16() { return static_cast<std::uint16_t>(ReadBigEndian(2)); }
    std::int32_t ReadI32() { return static_cast<std::int32_t>(ReadBigEndian(4)); }
    std::int64_t ReadI64() { return static_cast<std::int64_t>(ReadBigEndian(8)); }

    std::string_view ReadBytes(std::size_t count) {
        Need(count);
        const std::string_view bytes(graph.bytes.data() + position, count);
        position += count;
        return bytes;
    }
    std::string_view ReadUtf() { return ReadBytes(ReadU16()); }

    Value ReadPrimitive(char type) {
        Value value;
        switch (type) {
            case 'B':
                value.kind = ValueKind::kInteger;
                value.integer = static_cast<std::int8_t>(ReadU8());
                break;
            case 'Z':
                value.kind = ValueKind::kInteger;
                value.integer = ReadU8() != 0;
                break;
            case 'C':
                value.kind = ValueKind::kInteger;
                value.integer = ReadU16();
                break;
            case 'S':
                value.kind = ValueKind::kInteger;
                value.integer = static_cast<std::int16_t>(ReadU16());
                break;
            case 'I':
                value.kind = ValueKind::kInteger;
                value.integer = ReadI32();
                break;
            case 'J':
                value.kind = ValueKind::kInteger;
                value.integer = ReadI64();
                break;
            case 'F': {
                const auto bits = static_cast<std::uint32_t>(ReadBigEndian(4));
                float real;
                std::memcpy(&real, &bits, sizeof real);
                value.kind = ValueKind::kReal;
                value.real = real;
                break;
            }
            case 'D': {
                const std::uint64_t bits = ReadBigEndian(8);
                std::memcpy(&value.real, &bits, sizeof value.real);
                value.kind = ValueKind::kReal;
                break;
            }
            default:
                Damaged(std::string("unknown field type '") + type + "'");
        }
        return value;
    }

    std::uint32_t NewObject(ObjectKind kind, std::uint32_t classDesc) {
        Object object;
        object.kind = kind;
        object.classDesc = classDesc;
        graph.objects.push_back(object);
        const auto index = static_cast<std::uint32_t>(graph.objects.size() - 1);
        handles.push_back(index);
        return index;
    }

    static Value ObjectValue(std::uint32_t index) {
        Value value;
        value.kind = ValueKind::kObject;
        value.object = index;
        return value;
    }

    // Depth of nested objects, bounded so that a hostile stream cannot exhaust the stack.
    struct Nesting {
        explicit Nesting(StreamReader& owner) : reader(owner) {
            if (++reader.depth > reader.limits.maxDepth)
                reader.Damaged("objects nested more than " +
                               std::to_string(reader.limits.maxDepth) + " deep");
        }
        ~Nesting() { --reader.depth; }
        StreamReader& reader;
    };

    Value ReadObject() {
        Nesting nesting(*this);
        const std::uint8_t code = ReadU8();
        switch (code) {
            case kNull:
                return Value();
            case kReference:
                return ObjectValue(ResolveHandle());
            case kObjectCode:
                return ObjectValue(ReadInstance());
            case kString:
                return ObjectValue(ReadString(ReadU16()));
            case kLongString:
                return ObjectValue(ReadString(ReadLength(ReadI64())));
            case kArray:
                return ObjectValue(ReadArray());
            case kEnum:
                return ObjectValue(ReadEnum());
            case kClass: {
                const std::uint32_t desc = RequireClassDesc();
                return ObjectValue(NewObject(ObjectKind::kClass, desc));
            }
            case kClassDescCode:
            case kProxyClassDesc: {
                --position;
                const std::int32_t desc = ReadClassDesc();
                return ObjectValue(classDescObjects[static_cast<std::size_t>(desc)]);
            }
            case kReset:
                handles.clear();
                return ReadObject();
            case kException:
                throw StreamFault{Failure::kDamaged,
                                  "it holds an error that happened while it was written"};
            default:
                --position;
                Damaged("unknown type code " + std::to_string(code));
        }
    }

    std::size_t ReadLength(std::int64_t length) {
        if (length < 0 || static_cast<std::uint64_t>(length) > Remaining())
            Damaged("a length of " + std::to_string(length) + " bytes beyond the stream");
        return static_cast<std::size_t>(length);
    }

    std::uint32_t ResolveHandle() {
        const auto handle = static_cast<std::uint32_t>(ReadI32());
        if (handle < kBaseHandle || handle - kBaseHandle >= handles.size())
            Damaged("a reference to an unknown object");
        return handles[handle - kBaseHandle];
    }

    std::uint32_t ReadString(std::size_t length) {
        const std::uint32_t index = NewObject(ObjectKind::kString, 0);
        graph.objects[index].text = ReadBytes(length);
        return index;
    }

    // A class description: new, proxy, a reference to an earlier one, or none (-1).
    std::int32_t ReadClassDesc() {
        const std::uint8_t code = ReadU8();
        switch (code) {
            case kNull:
                return -1;
            case kReference: {
                const Object& object = graph.objects[ResolveHandle()];
                if (object.kind != ObjectKind::kClassDesc)
                    Damaged("a class reference to something else");
                return static_cast<std::int32_t>(object.classDesc);
            }
            case kClassDescCode:
                return ReadNewClassDesc();
            case kProxyClassDesc:
                return ReadProxyClassDesc();
            default:
                --position;
                Damaged("a class description expected, type code " + std::to_string(code));
        }
    }

    std::uint32_t RequireClassDesc() {
        const std::int32_t desc = ReadClassDesc();
        if (desc < 0) Damaged("an object without a class");
        return static_cast<std::uint32_t>(desc);
    }

    std::int32_t StartClassDesc(std::string name) {
        graph.classes.emplace_back();
        graph.classes.back().name = std::move(name);
        const auto index = static_cast<std::int32_t>(graph.classes.size() - 1);
        const std::uint32_t object =
            NewObject(ObjectKind::kClassDesc, static_cast<std::uint32_t>(index));
        classDescObjects.push_back(object);
        return index;
    }

    std::int32_t ReadNewClassDesc() {
        const std::string_view name = ReadUtf();
        ReadI64();  // serialVersionUID: fields are matched by name, whatever the version
        const std::int32_t index = StartClassDesc(DecodeModifiedUtf8(name));
        const std::uint8_t flags = ReadU8();
        const std::uint16_t count = ReadU16();
        if (count > Remaining() / 3) Damaged("more fields than the stream can hold");
        std::vector<FieldDesc> fields(count);
        for (FieldDesc& field : fields) {
            field.type = static_cast<char>(ReadU8());
            field.name = DecodeModifiedUtf8(ReadUtf());
            if (field.type == 'L' || field.type == '[') {
                if (!graph.IsString(ReadObject())) Damaged("a field's class name is no text");
            } else if (PrimitiveSize(field.type) == 0) {
                Damaged(std::string("unknown field type code ") +
                        std::to_string(static_cast<unsigned char>(field.type)));
            }
        }
        ClassDesc& desc = graph.classes[static_cast<std::size_t>(index)];
        desc.flags = flags;
        desc.fields = std::move(fields);
        FinishClassDesc(index);
        return index;
    }

    std::int32_t ReadProxyClassDesc() {
        const std::int32_t index = StartClassDesc("$Proxy");
        const std::int32_t interfaces = ReadI32();
        if (interfaces < 0 || static_cast<std::size_t>(interfaces) > Remaining() / 2)
            Damaged("an absurd count of proxy interfaces");
        for (std::int32_t i = 0; i < interfaces; ++i) ReadUtf();
        graph.classes[static_cast<std::size_t>(index)].flags = kSerializable;
        FinishClassDesc(index);
        return index;
    }

    // The class annotation and the super class; the super class must be complete, so that
    // a class cannot be its own ancestor.
    void FinishClassDesc(std::int32_t index) {
        SkipAnnotations();
        const std::int32_t super = ReadClassDesc();
        ClassDesc& desc = graph.classes[static_cast<std::size_t>(index)];
        if (super >= 0) {
            const ClassDesc& parent = graph.classes[static_cast<std::size_t>(super)];
            if (!parent.complete) Damaged("a class that is its own ancestor");
            desc.slotBase = parent.SlotCount();
            desc.super = super;
        }
        desc.complete = true;
    }

    std::uint32_t ReadInstance() {
        const std::uint32_t desc = RequireClassDesc();
        const std::uint32_t index = NewObject(ObjectKind::kInstance, desc);
        const std::uint32_t slots = graph.classes[desc].SlotCount();
        if (slots > Remaining()) Damaged("more fields than the stream can hold");
        const auto first = static_cast<std::uint32_t>(graph.values.size());
        graph.values.resize(graph.values.size() + slots);
        graph.objects[index].firstValue = first;
        graph.objects[index].valueCount = slots;

        std::vector<Value> written;
        for (const std::uint32_t level : Lineage(desc)) ReadClassData(level, first, written);
        StoreAnnotations(index, written);
        return index;
    }

    // The class and its serializable ancestors, the top-most first.
    std::vector<std::uint32_t> Lineage(std::uint32_t desc) const {
        std::vector<std::uint32_t> lineage;
        for (std::int32_t level = static_cast<std::int32_t>(desc); level >= 0;
             level = graph.classes[static_cast<std::size_t>(level)].super)
            lineage.push_back(static_cast<std::uint32_t>(level));
        std::reverse(lineage.begin(), lineage.end());
        return lineage;
    }

    bool WritesNoDefaultFields(const std::string& name) const {
        return std::find(noDefaultFields.begin(), noDefaultFields.end(), name) !=
               noDefaultFields.end();
    }

    void ReadClassData(std::uint32_t level, std::uint32_t first, std::vector<Value>& written) {
        // The descriptor is copied: reading values may add classes and move the table.
        const std::uint8_t flags = graph.classes[level].flags;
        if (flags & kExternalizable) {
            if (!(flags & kBlockDataFlag))
                throw StreamFault{Failure::kUnsupported,
                                  "class " + graph.classes[level].name +
                                      " is written in the old external format"};
            ReadAnnotations(written);
            return;
        }
        if (!(flags & kSerializable)) return;
        const bool ownWriter = flags & kWriteMethod;
        if (!ownWriter || !WritesNoDefaultFields(graph.classes[level].name)) {
            const std::uint32_t base = graph.classes[level].slotBase;
            const std::size_t count = graph.classes[level].fields.size();
            for (std::size_t i = 0; i < count; ++i) {
                const char type = graph.classes[level].fields[i].type;
                const Value value =
                    (type == 'L' || type == '[') ? ReadObject() : ReadPrimitive(type);
                graph.values[first + base + i] = value;
            }
        }
        if (ownWriter) ReadAnnotations(written);
    }

    void StoreAnnotations(std::uint32_t index, const std::vector<Value>& written) {
        graph.objects[index].firstAnnotation = static_cast<std::uint32_t>(graph.annotations.size());
        graph.objects[index].annotationCount = static_cast<std::uint32_t>(written.size());
        graph.annotations.insert(graph.annotations.end(), written.begin(), written.end());
    }

    // Block data and objects up to the end marker.
    void ReadAnnotations(std::vector<Value>& written) {
        while (true) {
            const std::uint8_t code = Peek();
            if (code == kEndBlockData) {
                ++position;
                return;
            }
            if (code == kBlockData || code == kBlockDataLong) {
                written.push_back(ReadBlock());
            } else {
                written.push_back(ReadObject());
            }
        }
    }

    void SkipAnnotations() {
        std::vector<Value> ignored;
        ReadAnnotations(ignored);
    }

    Value ReadBlock() {
        const std::uint8_t code = ReadU8();
        const std::size_t length = code == kBlockData ? ReadU8() : ReadLength(ReadI32());
        Value value;
        value.kind = ValueKind::kBlock;
        value.offset = position;
        value.length = static_cast<std::uint32_t>(length);
        ReadBytes(length);
        return value;
    }

    std::uint32_t ReadArray() {
        const std::uint32_t desc = RequireClassDesc();
        const std::uint32_t index = NewObject(ObjectKind::kArray, desc);
        const std::int32_t length = ReadI32();
        const std::string& name = graph.classes[desc].name;
        const char component = name.size() > 1 ? name[1] : '?';
        if (length < 0) Damaged("an array of negative length");
        const std::size_t size = PrimitiveSize(component);
        if (size) {
            if (static_cast<std::size_t>(length) > Remaining() / size)
                Damaged("an array longer than the stream");
            graph.objects[index].text = ReadBytes(static_cast<std::size_t>(length) * size);
            return index;
        }
        if (component != 'L' && component != '[') Damaged("an array of unknown type " + name);
        if (static_cast<std::size_t>(length) > Remaining())
            Damaged("an array longer than the stream");
        std::vector<Value> elements(static_cast<std::size_t>(length));
        for (Value& element : elements) element = ReadObject();
        graph.objects[index].firstValue = static_cast<std::uint32_t>(graph.values.size());
        graph.objects[index].valueCount = static_cast<std::uint32_t>(elements.size());
        graph.values.insert(graph.values.end(), elements.begin(), elements.end());
        return index;
    }

    std::uint32_t ReadEnum() {
        const std::uint32_t desc = RequireClassDesc();
        const std::uint32_t index = NewObject(ObjectKind::kEnum, desc);
        const Value name = ReadObject();
        if (!graph.IsString(name)) Damaged("an enum constant without a name");
        graph.objects[index].text = graph.objects[name.object].text;
        return index;
    }

    Graph& graph;
    const std::vector<std::string>& noDefaultFields;
    const ReadLimits& limits;
    std::size_t position = 0;
    std::uint32_t depth = 0;
    std::vector<std::uint32_t> handles;           // wire handle - base to object index
    std::vector<std::uint32_t> classDescObjects;  // class index to its object
};

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The UTF-16 units of modified UTF-8; a malformed byte stands for itself.
std::vector<std::uint16_t> Utf16Units(std::string_view text) {
    std::vector<std::uint16_t> units;
    units.reserve(text.size());
    const auto byte = [&text](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    for (std::size_t i = 0; i < text.size();) {
        const std::uint8_t first = byte(i);
        if (first >= 0xE0 && i + 2 < text.size()) {
            units.push_back(static_cast<std::uint16_t>(
                ((first & 0x0F) << 12) | ((byte(i + 1) & 0x3F) << 6) | (byte(i + 2) & 0x3F)));
            i += 3;
        } else if (first >= 0xC0 && i + 1 < text.size()) {
            units.push_back(
                static_cast<std::uint16_t>(((first & 0x1F) << 6) | (byte(i + 1) & 0x3F)));
            i += 2;
        } else {
            units.push_back(first);
            ++i;
        }
    }
    return units;
}

bool IsHighSurrogate(std::uint16_t unit) { return unit >= 0xD800 && unit < 0xDC00; }
bool IsLowSurrogate(std::uint16_t unit) { return unit >= 0xDC00 && unit < 0xE000; }

}  // namespace

std::string DecodeModifiedUtf8(std::string_view text) {
    const bool plain = std::all_of(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (plain) return std::string(text);
    const std::vector<std::uint16_t> units = Utf16Units(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        const std::uint16_t unit = units[i];
        if (IsHighSurrogate(unit) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800u) << 10) + (units[i + 1] - 0xDC00u));
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            out += '?';
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

std::string_view Graph::ClassName(const Value& value) const {
    const Object* object = ObjectOf(value);
    if (!object || object->kind == ObjectKind::kString) return {};
    return classes[object->classDesc].name;
}

std::string_view Graph::SimpleClassName(const Value& value) const {
    const std::string_view name = ClassName(value);
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(dot + 1);
}

const Value* Graph::Field(const Value& instance, std::string_view name) const {
    const Object* object = ObjectOf(instance);
    if (!object || object->kind != ObjectKind::kInstance) return nullptr;
    for (std::int32_t level = static_cast<std::int32_t>(object->classDesc); level >= 0;
         level = classes[static_cast<std::size_t>(level)].super) {
        const ClassDesc& desc = classes[static_cast<std::size_t>(level)];
        for (std::size_t i = 0; i < desc.fields.size(); ++i) {
            if (desc.fields[i].name == name) return &values[object->firstValue + desc.slotBase + i];
        }
    }
    return nullptr;
}

bool Graph::IsString(const Value& value) const {
    const Object* object = ObjectOf(value);
    return object && object->kind == ObjectKind::kString;
}

std::string Graph::Text(const Value& value) const {
    return IsString(value) ? DecodeModifiedUtf8(objects[value.object].text) : std::string();
}

bool ReadStream(Graph& graph, const std::vector<std::string>& noDefaultFields,
                const ReadLimits& limits, ReadError& error) {
    try {
        StreamReader(graph, noDefaultFields, limits).Read();
        return true;
    } catch (const StreamFault& fault) {
        error.failure = fault.failure;
        error.message = fault.message;
        return false;
    }
}

}  // namespace javastream
