#pragma once

// Byte layout of program (.fxp) and bank (.fxb) files in the VST 2 format, shared by the plug-in
// base and by host-side tools. Plain C++ without dependencies, so that a host which never links
// the framework reads and writes the same bytes. Every integer and float in these files is
// big-endian; only the state blocks they embed keep the plug-in's own byte order.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace fxp
{

constexpr int32_t FourCC(char a, char b, char c, char d)
{
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24 |
                                static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16 |
                                static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8 |
                                static_cast<uint32_t>(static_cast<unsigned char>(d)));
}

constexpr int32_t kChunkMagic = FourCC('C', 'c', 'n', 'K');
constexpr int32_t kProgramMagic = FourCC('F', 'x', 'C', 'k');      // parameter values
constexpr int32_t kProgramChunkMagic = FourCC('F', 'P', 'C', 'h'); // opaque state block
constexpr int32_t kBankMagic = FourCC('F', 'x', 'B', 'k');
constexpr int32_t kBankChunkMagic = FourCC('F', 'B', 'C', 'h');
constexpr int32_t kProgramFormatVersion = 1;
constexpr int32_t kBankFormatVersion = 2;

constexpr int kNameSize = 28; // 27 characters and a terminating zero
constexpr int kProgramHeaderSize = 56;
constexpr int kBankHeaderSize = 156;
constexpr int kBankReservedSize = 124;
constexpr int kValueSize = 4; // integers, floats and the state-size field alike
constexpr int kProgramChunkOffset = kProgramHeaderSize + kValueSize;
constexpr int kBankChunkOffset = kBankHeaderSize + kValueSize;

inline void PutInt(unsigned char* out, int32_t value)
{
    const auto v = static_cast<uint32_t>(value);
    out[0] = static_cast<unsigned char>(v >> 24);
    out[1] = static_cast<unsigned char>(v >> 16);
    out[2] = static_cast<unsigned char>(v >> 8);
    out[3] = static_cast<unsigned char>(v);
}

inline int32_t GetInt(const unsigned char* in)
{
    return static_cast<int32_t>(static_cast<uint32_t>(in[0]) << 24 |
                                static_cast<uint32_t>(in[1]) << 16 |
                                static_cast<uint32_t>(in[2]) << 8 | static_cast<uint32_t>(in[3]));
}

inline void PutFloat(unsigned char* out, float value)
{
    int32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    PutInt(out, bits);
}

inline float GetFloat(const unsigned char* in)
{
    const int32_t bits = GetInt(in);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The 56 bytes that open a program file and every program record of a parameter-form bank.
struct ProgramHeader
{
    int32_t byteSize = 0; // file length in the chunk form, 0 in the parameter form
    int32_t fxMagic = kProgramMagic;
    int32_t formatVersion = kProgramFormatVersion;
    int32_t uniqueID = 0;
    int32_t version = 0; // decimal form, 10100 for 1.1.0
    int32_t numParams = 0;
    char name[kNameSize + 1] = {}; // always terminated, also when the file's field is not

    // Keeps the first 27 characters, so the file's field always ends in a zero.
    void SetName(const char* text)
    {
        std::memset(name, 0, sizeof name);
        for (int i = 0; text && i < kNameSize - 1 && text[i]; ++i)
            name[i] = text[i];
    }
};

struct BankHeader
{
    int32_t byteSize = 0; // file length in the chunk form, 0 in the parameter form
    int32_t fxMagic = kBankMagic;
    int32_t formatVersion = kBankFormatVersion;
    int32_t uniqueID = 0;
    int32_t version = 0;
    int32_t numPrograms = 0;
    int32_t currentProgram = 0;
};

// The fields a program and a bank header open with, in the same places.
template <class Header> void EncodeCommonFields(const Header& header, unsigned char* out)
{
    PutInt(out, kChunkMagic);
    PutInt(out + 4, header.byteSize);
    PutInt(out + 8, header.fxMagic);
    PutInt(out + 12, header.formatVersion);
    PutInt(out + 16, header.uniqueID);
    PutInt(out + 20, header.version);
}

// Writes exactly kProgramHeaderSize bytes.
inline void EncodeProgramHeader(const ProgramHeader& header, unsigned char* out)
{
    EncodeCommonFields(header, out);
    PutInt(out + 24, header.numParams);
    std::memcpy(out + 28, header.name, kNameSize);
}

// Writes exactly kBankHeaderSize bytes.
inline void EncodeBankHeader(const BankHeader& header, unsigned char* out)
{
    EncodeCommonFields(header, out);
    PutInt(out + 24, header.numPrograms);
    PutInt(out + 28, header.currentProgram);
    std::memset(out + 32, 0, kBankReservedSize);
}

// A cursor over the bytes of a file. Every read checks that the whole field lies inside the
// data: one that does not fails and leaves the cursor where it was, so no read ever goes past the
// end, however the file's counts and sizes lie.
class Reader
{
public:
    Reader(const unsigned char* data, size_t size) : mData(data), mSize(data ? size : 0) {}

    size_t Position() const { return mPos; }
    size_t Remaining() const { return mSize - mPos; }
    const unsigned char* Here() const { return mData + mPos; }

    bool Skip(size_t n)
    {
        if (n > Remaining())
            return false;
        mPos += n;
        return true;
    }
    bool ReadInt(int32_t& value)
    {
        if (Remaining() < kValueSize)
            return false;
        value = GetInt(Here());
        mPos += kValueSize;
        return true;
    }
    bool ReadFloat(float& value)
    {
        if (Remaining() < kValueSize)
            return false;
        value = GetFloat(Here());
        mPos += kValueSize;
        return true;
    }

    // The 56-byte header of a program or a bank's program record. Checks nothing but its length:
    // which fields matter depends on where it stands.
    bool ReadProgramHeader(ProgramHeader& header, int32_t& chunkMagic)
    {
        if (Remaining() < kProgramHeaderSize)
            return false;
        const unsigned char* in = ReadCommonFields(header, chunkMagic);
        header.numParams = GetInt(in + 24);
        std::memcpy(header.name, in + 28, kNameSize);
        header.name[kNameSize] = '\0';
        mPos += kProgramHeaderSize;
        return true;
    }

    bool ReadBankHeader(BankHeader& header, int32_t& chunkMagic)
    {
        if (Remaining() < kBankHeaderSize)
            return false;
        const unsigned char* in = ReadCommonFields(header, chunkMagic);
        header.numPrograms = GetInt(in + 24);
        header.currentProgram = GetInt(in + 28);
        mPos += kBankHeaderSize;
        return true;
    }

private:
    // The fields a program and a bank header open with, in the same places; answers where the
    // header starts, for the fields that follow.
    template <class Header>
    const unsigned char* ReadCommonFields(Header& header, int32_t& chunkMagic) const
    {
        const unsigned char* in = Here();
        chunkMagic = GetInt(in);
        header.byteSize = GetInt(in + 4);
        header.fxMagic = GetInt(in + 8);
        header.formatVersion = GetInt(in + 12);
        header.uniqueID = GetInt(in + 16);
        header.version = GetInt(in + 20);
        return in;
    }

    const unsigned char* mData;
    size_t mSize;
    size_t mPos = 0;
};

} // namespace fxp
