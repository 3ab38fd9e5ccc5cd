// The Java object stream reader on streams made by hand: what it makes of the protocol's
// pieces, and how it refuses hostile ones.
#include <string>

#include <gtest/gtest.h>

#include "savegame/javastream.h"

namespace {

using javastream::Failure;

// Builds a stream byte by byte, big-endian as Java writes it.
struct Stream {
    std::string bytes = std::string("\xAC\xED\x00\x05", 4);

    Stream& U8(int value) {
        bytes += static_cast<char>(value);
        return *this;
    }
    Stream& U16(int value) { return U8(value >> 8).U8(value); }
    Stream& I32(std::int64_t value) {
        return U16(static_cast<int>((value >> 16) & 0xFFFF)).U16(static_cast<int>(value & 0xFFFF));
    }
    Stream& Utf(const std::string& text) {
        U16(static_cast<int>(text.size()));
        bytes += text;
        return *this;
    }
    // A class with the given fields ("Iname", "Lname" with class name "Ljava/lang/Object;").
    Stream& ClassDesc(const std::string& name, int flags,
                      std::initializer_list<const char*> fields) {
        U8(0x72).Utf(name).I32(0).I32(1).U8(flags).U16(static_cast<int>(fields.size()));
        for (const char* field : fields) {
            U8(field[0]).Utf(field + 1);
            if (field[0] == 'L') U8(0x74).Utf("Ljava/lang/Object;");
        }
        return U8(0x78);  // end of the class annotation; the super class follows
    }
};

bool Read(const std::string& bytes, javastream::Graph& graph, javastream::ReadError& error) {
    graph.bytes = bytes;
    return javastream::ReadStream(graph, {"Quiet"}, javastream::ReadLimits(), error);
}

}  // namespace

// Fields, a class's own writeObject data, references back to an object, and a class whose
// writeObject writes no fields, which only its name tells.
TEST(JavaStreamTest, ObjectsFieldsAndWrittenData) {
    Stream stream;
    stream.U8(0x73)
        .ClassDesc("Pair", 0x03, {"Icount", "Lnext"})
        .U8(0x70)  // no super class
        .I32(7)
        .U8(0x71)
        .I32(0x7E0002)  // next: the object itself (handles: class 0, its name 1)
        .U8(0x77)
        .U8(2)
        .U8(0xAB)
        .U8(0xCD)  // block data from writeObject
        .U8(0x74)
        .Utf("written")
        .U8(0x78);
    stream.U8(0x73).ClassDesc("Quiet", 0x03, {"Lignored"}).U8(0x70).U8(0x74).Utf("only").U8(0x78);
    javastream::Graph graph;
    javastream::ReadError error;
    ASSERT_TRUE(Read(stream.bytes, graph, error)) << error.message;
    ASSERT_EQ(graph.roots.size(), 2u);
    const javastream::Value& pair = graph.roots[0];
    EXPECT_EQ(graph.ClassName(pair), "Pair");
    EXPECT_EQ(graph.Field(pair, "count")->integer, 7);
    EXPECT_EQ(graph.Field(pair, "next")->object, pair.object);
    const javastream::Object& object = *graph.ObjectOf(pair);
    ASSERT_EQ(object.annotationCount, 2u);
    EXPECT_EQ(graph.Block(*graph.AnnotationsBegin(object)), "\xAB\xCD");
    EXPECT_EQ(graph.Text(*(graph.AnnotationsBegin(object) + 1)), "written");
    const javastream::Object& quiet = *graph.ObjectOf(graph.roots[1]);
    EXPECT_FALSE(graph.Field(graph.roots[1], "ignored")->IsObject());
    EXPECT_EQ(graph.Text(*graph.AnnotationsBegin(quiet)), "only");
}

TEST(JavaStreamTest, HostileStreamsAreRefusedWithAReason) {
    Stream deepFirst;
    deepFirst.U8(0x75).ClassDesc("[Ljava.lang.Object;", 0x02, {}).U8(0x70).I32(1);
    for (int i = 0; i < 100000; ++i) deepFirst.U8(0x75).U8(0x71).I32(0x7E0000).I32(1);
    Stream huge;
    huge.U8(0x75).ClassDesc("[Ljava.lang.Object;", 0x02, {}).U8(0x70).I32(0x7FFFFFFF);
    Stream hugeBytes;
    hugeBytes.U8(0x75).ClassDesc("[J", 0x02, {}).U8(0x70).I32(0x10000000);
    Stream ownAncestor;
    ownAncestor.U8(0x73).ClassDesc("Loop", 0x02, {}).U8(0x71).I32(0x7E0000);
    Stream unknownReference;
    unknownReference.U8(0x71).I32(0x7E0005);
    Stream unknownCode;
    unknownCode.U8(0x42);
    Stream hugeString;
    hugeString.U8(0x7C).I32(0x7FFFFFFF).I32(-1);
    Stream oldExternal;
    oldExternal.U8(0x73).ClassDesc("Old", 0x04, {}).U8(0x70);
    struct Case {
        const char* name;
        std::string bytes;
        Failure failure;
    };
    const Case cases[] = {
        {"not a stream", "PK\x03\x04", Failure::kNotAStream},
        {"nesting beyond the limit", deepFirst.bytes, Failure::kDamaged},
        {"array longer than the stream", huge.bytes, Failure::kDamaged},
        {"primitive array longer than the stream", hugeBytes.bytes, Failure::kDamaged},
        {"class its own ancestor", ownAncestor.bytes, Failure::kDamaged},
        {"reference to no object", unknownReference.bytes, Failure::kDamaged},
        {"unknown type code", unknownCode.bytes, Failure::kDamaged},
        {"string longer than the stream", hugeString.bytes, Failure::kDamaged},
        {"old external format", oldExternal.bytes, Failure::kUnsupported},
        {"cut inside an object", deepFirst.bytes.substr(0, 40), Failure::kDamaged},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.name);
        javastream::Graph graph;
        javastream::ReadError error;
        EXPECT_FALSE(Read(entry.bytes, graph, error));
        EXPECT_EQ(error.failure, entry.failure) << error.message;
        EXPECT_FALSE(error.message.empty());
    }
}

TEST(JavaStreamTest, ModifiedUtf8BecomesUtf8) {
    struct Case {
        std::string modified;
        std::string utf8;
    };
    const Case cases[] = {
        {"Germans", "Germans"},
        {"\xC0\x80", std::string(1, '\0')},                // NUL in two bytes
        {"S\xC3\xA3o Paulo", "S\xC3\xA3o Paulo"},          // two-byte form
        {"\xED\xA0\xBD\xED\xB8\x80", "\xF0\x9F\x98\x80"},  // U+1F600 as a pair
        {"a\xED\xA0\xBD"
         "b",
         "a?b"},  // lone surrogate
    };
    for (const Case& entry : cases)
        EXPECT_EQ(javastream::DecodeModifiedUtf8(entry.modified), entry.utf8) << entry.modified;
}
