// State chunks and the preset list of IFxBase.
#include "framework/core/IFxBase.h"

#include "util/base64encdec.h"
#include "util/platform.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace
{
const char kUserPresetName[] = "user preset";
// Marks the parameters a named-parameter preset leaves at their current value.
const double kUnsetParamMarker = 9.999e-08;

struct FileCloser
{
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

File OpenForWriting(const char* path)
{
    return File(path ? FxOpenFile(path, "w") : nullptr);
}

std::string Base64Of(const ByteChunk& chunk)
{
    return base64encode(chunk.GetBytes(), chunk.Size());
}
} // namespace

bool IFxBase::SerializeState(ByteChunk* chunk)
{
    return SerializeParams(chunk);
}

int IFxBase::UnserializeState(const ByteChunk* chunk, int startPos)
{
    return UnserializeParams(chunk, startPos);
}

bool IFxBase::SerializeParams(ByteChunk* chunk)
{
    FxMutexLock lock(mMutex);
    for (int i = 0; i < NParams(); ++i)
    {
        double v = GetParam(i)->Value();
        if (!chunk->Put(&v))
            return false;
    }
    return true;
}

int IFxBase::UnserializeParams(const ByteChunk* chunk, int startPos)
{
    FxMutexLock lock(mMutex);
    int pos = startPos;
    for (int i = 0; i < NParams() && pos >= 0; ++i)
    {
        double v = 0.0;
        pos = chunk->Get(&v, pos);
        GetParam(i)->SetClamped(pos >= 0 ? v : 0.0);
    }
    OnParamReset();
    return pos;
}

void IFxBase::DirtyParameters()
{
    // The positions are taken together under the lock and handed to the host after it, as an
    // edit from the editor is.
    std::vector<double> positions(static_cast<size_t>(NParams()));
    {
        FxMutexLock lock(mMutex);
        for (int i = 0; i < NParams(); ++i)
            positions[static_cast<size_t>(i)] = GetParam(i)->GetNormalized();
    }
    for (int i = 0; i < NParams(); ++i)
        InformHostOfParamChange(i, positions[static_cast<size_t>(i)]);
}

bool IFxBase::CompareState(const unsigned char* incomingState, int startPos)
{
    for (int i = 0; i < NParams(); ++i)
    {
        double stored;
        std::memcpy(&stored, incomingState + (static_cast<size_t>(startPos) + i) * sizeof(double),
                    sizeof(double));
        float diff = static_cast<float>(GetParam(i)->Value()) - static_cast<float>(stored);
        if (!(std::fabs(diff) < 0.00001f))
            return false;
    }
    return true;
}

IPreset* IFxBase::GetNextUninitializedPreset(FxPtrList<IPreset>* presets)
{
    for (int i = 0; i < presets->GetSize(); ++i)
        if (!presets->Get(i)->mInitialized)
            return presets->Get(i);
    return nullptr;
}

void IFxBase::MakeDefaultUserPresetName(FxPtrList<IPreset>* presets, char* str)
{
    int n = 0;
    for (int i = 0; i < presets->GetSize(); ++i)
        if (std::strstr(presets->Get(i)->mName, kUserPresetName))
            ++n;
    std::snprintf(str, IPreset::kNameLen, "%s %d", kUserPresetName, n + 1);
}

IPreset* IFxBase::TakeFreePreset(const char* name)
{
    IPreset* preset = GetNextUninitializedPreset(&mPresets);
    if (preset)
    {
        preset->mInitialized = true;
        preset->SetName(name);
    }
    return preset;
}

void IFxBase::MakeDefaultPreset(const char* name, int nPresets)
{
    for (int i = 0; i < nPresets; ++i)
    {
        IPreset* preset = TakeFreePreset(name ? name : "Empty");
        if (!preset)
            return;
        SerializeState(&preset->mChunk);
    }
}

void IFxBase::EnsureDefaultPreset()
{
    MakeDefaultPreset("Empty", NPresets());
}

void IFxBase::MakePreset(const char* name, ...)
{
    IPreset* preset = TakeFreePreset(name);
    if (!preset)
        return;
    va_list vp;
    va_start(vp, name);
    for (int i = 0; i < NParams(); ++i)
    {
        double v = GetParam(i)->Type() == IParam::kTypeDouble
                       ? va_arg(vp, double)
                       : static_cast<double>(va_arg(vp, int));
        preset->mChunk.Put(&v);
    }
    va_end(vp);
}

void IFxBase::MakePresetFromNamedParams(const char* name, int nParamsNamed, ...)
{
    IPreset* preset = TakeFreePreset(name);
    if (!preset)
        return;
    std::vector<double> values(static_cast<size_t>(NParams()), kUnsetParamMarker);
    va_list vp;
    va_start(vp, nParamsNamed);
    for (int i = 0; i < nParamsNamed; ++i)
    {
        int idx = va_arg(vp, int);
        IParam* param = GetParam(idx);
        // The value's type follows the parameter's kind; an index naming no parameter leaves the
        // argument list unreadable, so reading stops there.
        if (!param)
            break;
        values[static_cast<size_t>(idx)] = param->Type() == IParam::kTypeDouble
                                               ? va_arg(vp, double)
                                               : static_cast<double>(va_arg(vp, int));
    }
    va_end(vp);
    for (int i = 0; i < NParams(); ++i)
    {
        double v = values[static_cast<size_t>(i)] == kUnsetParamMarker
                       ? GetParam(i)->Value()
                       : values[static_cast<size_t>(i)];
        preset->mChunk.Put(&v);
    }
}

void IFxBase::MakePresetFromChunk(const char* name, const ByteChunk* chunk)
{
    if (IPreset* preset = TakeFreePreset(name))
        preset->mChunk.PutChunk(chunk);
}

void IFxBase::MakePresetFromBlob(const char* name, const char* blob, int sizeOfChunk)
{
    std::vector<unsigned char> bytes(static_cast<size_t>(sizeOfChunk > 0 ? sizeOfChunk : 0));
    base64decode(blob, bytes.data(), static_cast<int>(bytes.size()));
    if (IPreset* preset = TakeFreePreset(name))
        preset->mChunk.PutBytes(bytes.data(), static_cast<int>(bytes.size()));
}

void IFxBase::PruneUninitializedPresets()
{
    for (int i = 0; i < mPresets.GetSize();)
    {
        if (mPresets.Get(i)->mInitialized)
            ++i;
        else
            mPresets.Delete(i);
    }
}

bool IFxBase::RestorePreset(int idx)
{
    IPreset* preset = mPresets.Get(idx);
    if (!preset)
        return false;
    if (!preset->mInitialized)
    {
        preset->mInitialized = true;
        char name[IPreset::kNameLen];
        MakeDefaultUserPresetName(&mPresets, name);
        preset->SetName(name);
        if (!SerializeState(&preset->mChunk))
            return false;
    }
    else if (UnserializeState(&preset->mChunk, 0) < 1)
        return false;
    mCurrentPresetIdx = idx;
    PresetsChangedByHost();
    RedrawParamControls();
    return true;
}

bool IFxBase::RestorePreset(const char* name)
{
    if (!name || !name[0])
        return false;
    for (int i = 0; i < NPresets(); ++i)
        if (!std::strcmp(mPresets.Get(i)->mName, name))
            return RestorePreset(i);
    return false;
}

const char* IFxBase::GetPresetName(int idx) const
{
    const IPreset* preset = mPresets.Get(idx);
    return preset ? preset->mName : "";
}

void IFxBase::ModifyCurrentPreset(const char* name)
{
    IPreset* preset = mPresets.Get(mCurrentPresetIdx);
    if (!preset)
        return;
    preset->mChunk.Clear();
    SerializeState(&preset->mChunk);
    if (name && name[0])
        preset->SetName(name);
}

bool IFxBase::SerializePresets(ByteChunk* chunk)
{
    for (int i = 0; i < NPresets(); ++i)
    {
        const IPreset* preset = mPresets.Get(i);
        if (!chunk->PutStr(preset->mName) || !chunk->PutBool(preset->mInitialized))
            return false;
        if (preset->mInitialized && preset->mChunk.Size() && !chunk->PutChunk(&preset->mChunk))
            return false;
    }
    return true;
}

int IFxBase::UnserializePresets(const ByteChunk* chunk, int startPos)
{
    int pos = startPos;
    for (int i = 0; i < NPresets() && pos >= 0; ++i)
    {
        IPreset* preset = mPresets.Get(i);
        char name[IPreset::kNameLen];
        pos = chunk->GetStr(name, sizeof(name), pos);
        if (pos < 0)
            break;
        preset->SetName(name);
        pos = chunk->GetBool(&preset->mInitialized, pos);
        // A preset the bank marks free holds no state: whatever initialises it later appends
        // to its chunk.
        if (pos >= 0 && !preset->mInitialized)
            preset->mChunk.Clear();
        if (pos >= 0 && preset->mInitialized)
        {
            pos = UnserializeState(chunk, pos);
            if (pos > 0)
            {
                preset->mChunk.Clear();
                SerializeState(&preset->mChunk);
            }
        }
    }
    RestorePreset(mCurrentPresetIdx);
    return pos;
}

bool IFxBase::DumpPresetSrcCode(const char* filename, const char* const* paramEnumNames)
{
    File f = OpenForWriting(filename);
    if (!f || !paramEnumNames)
        return false;
    std::fprintf(f.get(), "  MakePresetFromNamedParams(\"name\", %d", NParams());
    for (int i = 0; i < NParams(); ++i)
    {
        const IParam* param = GetParam(i);
        char value[64];
        switch (param->Type())
        {
        case IParam::kTypeBool:
            std::snprintf(value, sizeof(value), "%s", param->Value() >= 0.5 ? "true" : "false");
            break;
        case IParam::kTypeInt:
        case IParam::kTypeEnum:
            std::snprintf(value, sizeof(value), "%d", param->Int());
            break;
        default:
            std::snprintf(value, sizeof(value), "%.6f", param->Value());
            break;
        }
        std::fprintf(f.get(), ",\n    %s, %s", paramEnumNames[i] ? paramEnumNames[i] : "", value);
    }
    std::fprintf(f.get(), ");\n");
    return true;
}

bool IFxBase::DumpPresetBlob(const char* filename)
{
    const IPreset* preset = mPresets.Get(mCurrentPresetIdx);
    if (!preset)
        return false;
    File f = OpenForWriting(filename);
    if (!f)
        return false;
    std::fprintf(f.get(), "MakePresetFromBlob(\"name\", \"");
    std::fprintf(f.get(), "%s\", %i);\n", Base64Of(preset->mChunk).c_str(), preset->mChunk.Size());
    return true;
}

bool IFxBase::DumpBankBlob(const char* filename)
{
    File f = OpenForWriting(filename);
    if (!f)
        return false;
    for (int i = 0; i < NPresets(); ++i)
    {
        const IPreset* preset = mPresets.Get(i);
        std::fprintf(f.get(), "MakePresetFromBlob(\"%s\", \"", preset->mName);
        std::fprintf(f.get(), "%s\", %i);\n", Base64Of(preset->mChunk).c_str(),
                     preset->mChunk.Size());
    }
    return true;
}
