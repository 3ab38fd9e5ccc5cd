#pragma once

#include <cstdint>

// Result codes: negative means failure.
using HResult = std::int32_t;

constexpr HResult kResultOk = 0;
constexpr HResult kResultNotImplemented = static_cast<HResult>(0x80004001u);
constexpr HResult kResultFail = static_cast<HResult>(0x80004005u);
constexpr HResult kResultOutOfMemory = static_cast<HResult>(0x8007000Eu);

// A platform error number n > 0 as a result code: 0x80070000 | (n & 0xFFFF).
HResult ResultFromPlatformError(int error);

// Identifies an interface in QueryInterface. No object of the system hands out other
// interfaces, so the value is only ever compared by callers that ask anyway.
struct InterfaceId {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::uint8_t data4[8] = {};
};

// The first three operations of every reference-counted object, in this order. The object
// deletes itself when Release brings its count to zero; the holder in ref.h is the only
// code that calls AddRef and Release, apart from the factories and the operations that
// hand an object out.
class Unknown {
public:
    virtual HResult QueryInterface(const InterfaceId& id, void** out) = 0;
    virtual std::int32_t AddRef() = 0;
    virtual std::int32_t Release() = 0;

protected:
    // Each interface declares its own virtual destructor after its last operation, so
    // that the destructor's slot comes last as the object convention requires.
    ~Unknown() = default;
};
