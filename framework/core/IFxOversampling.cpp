// Oversampling as the base keeps it: the user's choice, handed between threads without a lock,
// the latency that follows it, and its place after the state record.
#include "framework/core/IFxBase.h"
#include "framework/core/StateExtension.h"

namespace
{

int Pack(const OversamplingChoice& choice)
{
    return choice.realtime | choice.offline << 16;
}

OversamplingChoice Unpack(int word)
{
    OversamplingChoice choice;
    choice.realtime = word & 0xffff;
    choice.offline = word >> 16;
    return choice;
}

} // namespace

void IFxBase::OfferOversampling(int maxFactor)
{
    mMaxOversampling = maxFactor;
    if (!mDelay)
        return;
    int longest = 0;
    for (int factor = 1; OversamplingChoice::IsFactor(factor, maxFactor); factor *= 2)
        longest = OversamplingLatency(factor) > longest ? OversamplingLatency(factor) : longest;
    mDelay->Reserve(longest);
}

OversamplingChoice IFxBase::GetOversampling() const
{
    return Unpack(mOversampling.load());
}

bool IFxBase::SetOversampling(const OversamplingChoice& choice)
{
    if (mMaxOversampling < 1 || !choice.IsValid(mMaxOversampling))
        return false;
    const int before = GetLatency();
    mOversampling = Pack(choice);
    if (GetLatency() != before)
        InformHostOfLatencyChange();
    return true;
}

void IFxBase::SetOversamplingFromGUI(const OversamplingChoice& choice)
{
    if (choice != GetOversampling() && SetOversampling(choice))
        InformHostOfOversamplingChange();
}

int IFxBase::GetOversamplingInEffect() const
{
    return GetOversampling().InEffect(IsRenderingOffline());
}

void IFxBase::AppendStateExtension(ByteChunk* chunk) const
{
    const std::vector<uint8_t> section = EncodeOversamplingSection(GetOversampling());
    if (!section.empty())
        chunk->PutBytes(section.data(), static_cast<int>(section.size()));
}

void IFxBase::ApplyStateExtension(const unsigned char* data, size_t size)
{
    if (mMaxOversampling < 1)
        return;
    bool found = false;
    const OversamplingChoice choice = DecodeOversamplingSection(data, size, &found);
    if (!found || !SetOversampling(choice))
        SetOversampling(OversamplingChoice());
}
