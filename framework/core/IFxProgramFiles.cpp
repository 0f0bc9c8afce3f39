// Program (.fxp) and bank (.fxb) files of IFxBase.
#include "framework/core/FxpProgram.h"
#include "framework/core/IFxBase.h"
#include "util/platform.h"

#include <climits>
#include <cstdio>
#include <memory>
#include <vector>

namespace
{
// Files are read in pieces of this size, so a pipe or a file that changes size while it is read
// is taken as far as it goes without asking its length first.
constexpr size_t kReadPiece = 65536;

struct FileCloser
{
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

bool ReadWholeFile(const FxString& path, ByteChunk* out)
{
    if (!path.GetLength())
        return false;
    File f(FxOpenFile(path.Get(), "rb"));
    if (!f)
        return false;
    std::vector<unsigned char> piece(kReadPiece);
    for (;;)
    {
        const size_t got = std::fread(piece.data(), 1, piece.size(), f.get());
        // PutBytes answers 0 when the chunk cannot grow, which includes files beyond 2 GiB.
        if (got && !out->PutBytes(piece.data(), static_cast<int>(got)))
            return false;
        if (got < piece.size())
            return !std::ferror(f.get());
    }
}

// A full disk or a failing close is a failed save, not a truncated file reported as written.
bool WriteWholeFile(const FxString& path, const ByteChunk& bytes)
{
    if (!path.GetLength())
        return false;
    FILE* f = FxOpenFile(path.Get(), "wb");
    if (!f)
        return false;
    const auto size = static_cast<size_t>(bytes.Size());
    const bool written = !size || std::fwrite(bytes.GetBytes(), 1, size, f) == size;
    return std::fclose(f) == 0 && written;
}

bool AppendInt(ByteChunk* chunk, int32_t value)
{
    unsigned char bytes[fxp::kValueSize];
    fxp::PutInt(bytes, value);
    return chunk->PutBytes(bytes, fxp::kValueSize) != 0;
}

bool AppendFloat(ByteChunk* chunk, double value)
{
    unsigned char bytes[fxp::kValueSize];
    fxp::PutFloat(bytes, static_cast<float>(value));
    return chunk->PutBytes(bytes, fxp::kValueSize) != 0;
}

// The byte-size field of a chunk-form file: the whole file's length, which must fit the field.
bool ChunkFileSize(const ByteChunk& block, int offset, int32_t* size)
{
    if (block.Size() > INT_MAX - offset)
        return false;
    *size = block.Size() + offset;
    return true;
}

bool AppendStateBlock(ByteChunk* file, const ByteChunk& block)
{
    return AppendInt(file, block.Size()) && file->PutChunk(&block) != 0;
}

// Reads the state-size field and checks that the whole block it announces is in the file.
bool ReadStateBlock(fxp::Reader& in, const unsigned char** block, int* size)
{
    int32_t stateSize = 0;
    if (!in.ReadInt(stateSize) || stateSize < 0 || static_cast<size_t>(stateSize) > in.Remaining())
        return false;
    *block = in.Here();
    *size = stateSize;
    return true;
}

// The state block as a chunk positioned after its framework version header, when it has one.
// Answers -1 for a header whose version is cut off or a block that does not fit in memory.
int StateBlockChunk(const unsigned char* block, int size, ByteChunk* chunk)
{
    if (size && !chunk->PutBytes(block, size))
        return -1;
    int pos = 0;
    GetIFxVerFromChunk(chunk, &pos);
    return pos;
}
} // namespace

// What a chunk-form load may change before the plug-in's own reader can tell that the state
// block is bad: the parameters, the presets and the current preset index.
struct IFxBase::Snapshot
{
    ByteChunk mState;
    std::vector<std::unique_ptr<IPreset>> mPresets;
    int mCurrentPresetIdx = 0;
};

void IFxBase::TakeSnapshot(Snapshot* snapshot)
{
    SerializeState(&snapshot->mState);
    for (int i = 0; i < NPresets(); ++i)
    {
        const IPreset* preset = mPresets.Get(i);
        auto copy = std::make_unique<IPreset>();
        copy->SetName(preset->mName);
        copy->mInitialized = preset->mInitialized;
        copy->mChunk.PutChunk(&preset->mChunk);
        snapshot->mPresets.push_back(std::move(copy));
    }
    snapshot->mCurrentPresetIdx = mCurrentPresetIdx;
}

void IFxBase::RestoreSnapshot(const Snapshot& snapshot)
{
    for (int i = 0; i < NPresets() && i < static_cast<int>(snapshot.mPresets.size()); ++i)
    {
        IPreset* preset = mPresets.Get(i);
        const IPreset& copy = *snapshot.mPresets[static_cast<size_t>(i)];
        preset->SetName(copy.mName);
        preset->mInitialized = copy.mInitialized;
        preset->mChunk.Clear();
        preset->mChunk.PutChunk(&copy.mChunk);
    }
    mCurrentPresetIdx = snapshot.mCurrentPresetIdx;
    UnserializeState(&snapshot.mState, 0);
    RedrawParamControls();
}

bool IFxBase::SaveProgramToChunk(ByteChunk* file)
{
    FxMutexLock lock(mMutex);
    file->Clear();
    fxp::ProgramHeader header;
    header.uniqueID = GetUniqueID();
    header.version = GetEffectVersion(true);
    header.numParams = NParams();
    header.SetName(GetPresetName(mCurrentPresetIdx));
    if (!DoesStateChunks())
    {
        std::vector<float> values;
        for (int i = 0; i < NParams(); ++i)
            values.push_back(static_cast<float>(GetParam(i)->GetNormalized()));
        const std::vector<unsigned char> bytes = fxp::EncodeParamProgram(header, values);
        return file->PutBytes(bytes.data(), static_cast<int>(bytes.size())) != 0;
    }
    ByteChunk state;
    InitChunkWithIFxVer(&state);
    header.fxMagic = fxp::kProgramChunkMagic;
    if (!SerializeState(&state) ||
        !ChunkFileSize(state, fxp::kProgramChunkOffset, &header.byteSize))
        return false;
    unsigned char head[fxp::kProgramHeaderSize];
    fxp::EncodeProgramHeader(header, head);
    return file->PutBytes(head, fxp::kProgramHeaderSize) && AppendStateBlock(file, state);
}

bool IFxBase::SaveBankToChunk(ByteChunk* file)
{
    FxMutexLock lock(mMutex);
    file->Clear();
    fxp::BankHeader header;
    header.uniqueID = GetUniqueID();
    header.version = GetEffectVersion(true);
    header.numPrograms = NPresets();
    header.currentProgram = mCurrentPresetIdx;
    ByteChunk state;
    if (DoesStateChunks())
    {
        InitChunkWithIFxVer(&state);
        header.fxMagic = fxp::kBankChunkMagic;
        if (!SerializePresets(&state) ||
            !ChunkFileSize(state, fxp::kBankChunkOffset, &header.byteSize))
            return false;
    }
    unsigned char head[fxp::kBankHeaderSize];
    fxp::EncodeBankHeader(header, head);
    if (!file->PutBytes(head, fxp::kBankHeaderSize))
        return false;
    if (DoesStateChunks())
        return AppendStateBlock(file, state);

    fxp::ProgramHeader record;
    record.uniqueID = header.uniqueID;
    record.version = header.version;
    record.numParams = NParams();
    unsigned char recordHead[fxp::kProgramHeaderSize];
    for (int p = 0; p < NPresets(); ++p)
    {
        const IPreset* preset = mPresets.Get(p);
        record.SetName(preset->mName);
        fxp::EncodeProgramHeader(record, recordHead);
        if (!file->PutBytes(recordHead, fxp::kProgramHeaderSize))
            return false;
        // The preset holds plain values in the parameter-state layout; a short chunk reads as 0.
        for (int i = 0; i < NParams(); ++i)
        {
            double value = 0.0;
            preset->mChunk.Get(&value, i * static_cast<int>(sizeof(double)));
            if (!AppendFloat(file, GetParam(i)->GetNormalized(value)))
                return false;
        }
    }
    return true;
}

bool IFxBase::LoadProgramFromMemory(const unsigned char* data, size_t size)
{
    fxp::Reader in(data, size);
    fxp::ProgramHeader header;
    const fxp::ProgramForm form = fxp::ReadProgramHeader(in, header);
    if ((form != fxp::ProgramForm::kChunk && form != fxp::ProgramForm::kParams) ||
        header.formatVersion != fxp::kProgramFormatVersion || header.uniqueID != GetUniqueID())
        return false;

    FxMutexLock lock(mMutex);
    if (form == fxp::ProgramForm::kChunk && DoesStateChunks())
    {
        const unsigned char* block = nullptr;
        int blockSize = 0;
        if (!ReadStateBlock(in, &block, &blockSize) || !LoadProgramChunk(block, blockSize))
            return false;
    }
    else if (form == fxp::ProgramForm::kParams)
    {
        // The count field may disagree with the plug-in; the values it needs must all be there.
        const std::vector<float> values =
            fxp::ReadProgramValues(in, static_cast<size_t>(NParams()));
        if (values.size() < static_cast<size_t>(NParams()))
            return false;
        for (int i = 0; i < NParams(); ++i)
            GetParam(i)->SetNormalized(values[static_cast<size_t>(i)]);
    }
    else
        return false;
    // A free current preset is first made a real one, as restoring it would: otherwise the restore
    // below would rename it and append a second copy of the state to the one stored here.
    const IPreset* current = mPresets.Get(mCurrentPresetIdx);
    if (current && !current->mInitialized)
        RestorePreset(mCurrentPresetIdx);
    ModifyCurrentPreset(header.name);
    EndProgramLoad(mCurrentPresetIdx);
    return true;
}

bool IFxBase::LoadProgramChunk(const unsigned char* block, int size)
{
    return LoadStateBlock(block, size, &IFxBase::UnserializeState);
}

bool IFxBase::LoadStateBlock(const unsigned char* block, int size,
                             int (IFxBase::*unserialize)(const ByteChunk*, int))
{
    ByteChunk chunk;
    const int pos = StateBlockChunk(block, size, &chunk);
    if (pos < 0)
        return false;
    Snapshot before;
    TakeSnapshot(&before);
    if ((this->*unserialize)(&chunk, pos) < 0)
    {
        RestoreSnapshot(before);
        return false;
    }
    return true;
}

bool IFxBase::LoadBankFromMemory(const unsigned char* data, size_t size)
{
    fxp::Reader in(data, size);
    fxp::BankHeader header;
    int32_t magic = 0;
    if (!in.ReadBankHeader(header, magic) || magic != fxp::kChunkMagic ||
        header.uniqueID != GetUniqueID())
        return false;

    FxMutexLock lock(mMutex);
    if (header.fxMagic == fxp::kBankChunkMagic && DoesStateChunks())
    {
        const unsigned char* block = nullptr;
        int blockSize = 0;
        if (!ReadStateBlock(in, &block, &blockSize) || !LoadBankChunk(block, blockSize))
            return false;
        InformHostOfProgramChange();
        return true;
    }
    // Every record is checked before the first is applied, so that a bad bank changes nothing.
    if (header.fxMagic != fxp::kBankMagic ||
        !VisitParamBank(in.Here(), in.Remaining(), header.numPrograms, false))
        return false;
    VisitParamBank(in.Here(), in.Remaining(), header.numPrograms, true);
    EndProgramLoad(header.currentProgram);
    return true;
}

bool IFxBase::LoadBankChunk(const unsigned char* block, int size)
{
    return LoadStateBlock(block, size, &IFxBase::UnserializePresets);
}

// Each record costs at least its 56-byte header, so a hostile program count ends the walk at the
// end of the data, whatever its value.
bool IFxBase::VisitParamBank(const unsigned char* data, size_t size, int numPrograms, bool apply)
{
    fxp::Reader in(data, size);
    const size_t valuesSize = static_cast<size_t>(NParams()) * fxp::kValueSize;
    for (int p = 0; p < numPrograms; ++p)
    {
        fxp::ProgramHeader record;
        int32_t magic = 0;
        if (!in.ReadProgramHeader(record, magic) || magic != fxp::kChunkMagic ||
            record.fxMagic != fxp::kProgramMagic ||
            record.formatVersion != fxp::kProgramFormatVersion || record.numParams != NParams() ||
            in.Remaining() < valuesSize)
            return false;
        if (!apply)
        {
            in.Skip(valuesSize);
            continue;
        }
        // A program beyond the preset list lands in whichever preset is current.
        RestorePreset(p);
        for (int i = 0; i < NParams(); ++i)
        {
            float value = 0.0f;
            in.ReadFloat(value);
            GetParam(i)->SetNormalized(value);
        }
        ModifyCurrentPreset(record.name);
    }
    return true;
}

// Values set with SetNormalized reach the plug-in's cached state through the restore; without a
// preset to restore they are announced directly, so the plug-in never runs on stale values.
void IFxBase::EndProgramLoad(int presetIdx)
{
    if (!RestorePreset(presetIdx))
        OnParamReset();
    InformHostOfProgramChange();
}

bool IFxBase::SaveProgramAsFXP(const FxString& path)
{
    ByteChunk file;
    return path.GetLength() && SaveProgramToChunk(&file) && WriteWholeFile(path, file);
}

bool IFxBase::SaveBankAsFXB(const FxString& path)
{
    ByteChunk file;
    return path.GetLength() && SaveBankToChunk(&file) && WriteWholeFile(path, file);
}

bool IFxBase::LoadProgramFromFXP(const FxString& path)
{
    ByteChunk file;
    return ReadWholeFile(path, &file) &&
           LoadProgramFromMemory(file.GetBytes(), static_cast<size_t>(file.Size()));
}

bool IFxBase::LoadBankFromFXB(const FxString& path)
{
    ByteChunk file;
    return ReadWholeFile(path, &file) &&
           LoadBankFromMemory(file.GetBytes(), static_cast<size_t>(file.Size()));
}
