#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A reader of the Java Object Serialization Stream Protocol (magic 0xACED, version 5): the
// objects of a stream become a graph of plain records that can be looked at by class and
// field name. It knows nothing of what the objects mean.
namespace javastream {

enum class ValueKind : std::uint8_t { kNull, kInteger, kReal, kObject, kBlock };

// A field value, an array element or an item that a class's own writeObject wrote: a
// primitive, a reference to an object of the graph, or a piece of block data.
struct Value {
    ValueKind kind = ValueKind::kNull;
    std::uint32_t length = 0;  // of a block
    union {
        std::int64_t integer;  // every integral primitive, char and boolean
        double real;           // float and double
        std::uint32_t object;  // index into Graph::objects
        std::uint64_t offset;  // of a block in Graph::bytes
    };
    Value() : integer(0) {}
    bool IsObject() const { return kind == ValueKind::kObject; }
};

struct FieldDesc {
    char type = 0;  // B C D F I J S Z, or L and [ for objects
    std::string name;
};

struct ClassDesc {
    std::string name;
    std::uint8_t flags = 0;
    std::vector<FieldDesc> fields;
    std::int32_t super = -1;  // index into Graph::classes
    // The values of an instance lie class by class from the top-most serializable class
    // down: this class's first field is value number slotBase.
    std::uint32_t slotBase = 0;
    bool complete = false;

    std::uint32_t SlotCount() const { return slotBase + static_cast<std::uint32_t>(fields.size()); }
};

enum class ObjectKind : std::uint8_t { kInstance, kArray, kString, kEnum, kClass, kClassDesc };

struct Object {
    ObjectKind kind = ObjectKind::kInstance;
    std::uint32_t classDesc = 0;  // index into Graph::classes
    // Fields of an instance, or the elements of an array of objects, in Graph::values.
    std::uint32_t firstValue = 0;
    std::uint32_t valueCount = 0;
    // What the classes' own writeObject or writeExternal wrote, in Graph::annotations.
    std::uint32_t firstAnnotation = 0;
    std::uint32_t annotationCount = 0;
    // A string's modified UTF-8, an enum constant's name, a primitive array's bytes.
    std::string_view text;
};

struct Graph {
    std::string bytes;  // the stream; texts and blocks point into it
    std::vector<ClassDesc> classes;
    std::vector<Object> objects;
    std::vector<Value> values;
    std::vector<Value> annotations;
    std::vector<Value> roots;  // the top-level objects read

    const Object* ObjectOf(const Value& value) const {
        return value.IsObject() ? &objects[value.object] : nullptr;
    }
    // The class name of an object ("" for null and primitives).
    std::string_view ClassName(const Value& value) const;
    // The class name after its last '.'.
    std::string_view SimpleClassName(const Value& value) const;
    // The named field of an instance, searched from its own class up; null when absent.
    const Value* Field(const Value& instance, std::string_view name) const;
    // The text of a string object as UTF-8; "" for anything else.
    std::string Text(const Value& value) const;
    bool IsString(const Value& value) const;
    // The items a class's own writeObject wrote, block data included.
    const Value* AnnotationsBegin(const Object& object) const {
        return annotations.data() + object.firstAnnotation;
    }
    const Value* AnnotationsEnd(const Object& object) const {
        return AnnotationsBegin(object) + object.annotationCount;
    }
    std::string_view Block(const Value& value) const {
        return std::string_view(bytes).substr(value.offset, value.length);
    }
};

struct ReadLimits {
    std::size_t maxRoots = 0;       // stop after this many top-level objects; 0 reads to the end
    std::uint32_t maxDepth = 2000;  // objects nested in objects
};

enum class Failure { kNone, kNotAStream, kDamaged, kUnsupported };

struct ReadError {
    Failure failure = Failure::kNone;
    std::string message;
};

// Reads the stream in graph.bytes into the graph. Classes whose writeObject writes none of
// their fields, which the stream cannot show, are named in noDefaultFields.
bool ReadStream(Graph& graph, const std::vector<std::string>& noDefaultFields,
                const ReadLimits& limits, ReadError& error);

// Modified UTF-8 (Java's DataOutput) as standard UTF-8: an encoded NUL becomes a NUL byte, a
// surrogate pair one four-byte sequence, an unpaired surrogate '?' as Java's UTF-8 writer
// puts it.
std::string DecodeModifiedUtf8(std::string_view text);

}  // namespace javastream
