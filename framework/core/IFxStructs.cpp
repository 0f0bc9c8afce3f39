#include "framework/core/IFxStructs.h"

#include <cstdio>

void IMidiMsg::MakeNoteOnMsg(int noteNumber, int velocity, int offset, int channel)
{
    Clear();
    mStatus = static_cast<unsigned char>(0x90 + channel);
    mData1 = static_cast<unsigned char>(noteNumber);
    mData2 = static_cast<unsigned char>(velocity);
    mOffset = offset;
}

void IMidiMsg::MakeNoteOffMsg(int noteNumber, int offset, int channel)
{
    Clear();
    mStatus = static_cast<unsigned char>(0x80 + channel);
    mData1 = static_cast<unsigned char>(noteNumber);
    mOffset = offset;
}

void IMidiMsg::MakePitchWheelMsg(double value, int channel)
{
    Clear();
    mStatus = static_cast<unsigned char>(0xE0 + channel);
    int i = static_cast<int>(value * 8192.0) + 8192;
    i = i < 0 ? 0 : (i > 16383 ? 16383 : i);
    mData1 = static_cast<unsigned char>(i % 128);
    mData2 = static_cast<unsigned char>(i / 128);
}

void IMidiMsg::MakeControlChangeMsg(int controller, double value, int channel)
{
    Clear();
    mStatus = static_cast<unsigned char>(0xB0 + channel);
    mData1 = static_cast<unsigned char>(controller);
    mData2 = static_cast<unsigned char>(static_cast<int>(value * 127.0));
}

IMidiMsg::EStatusMsg IMidiMsg::StatusMsg() const
{
    return mStatus >= 0x80 && mStatus <= 0xEF ? static_cast<EStatusMsg>(mStatus >> 4) : kNone;
}

int IMidiMsg::NoteNumber() const
{
    EStatusMsg s = StatusMsg();
    return s == kNoteOn || s == kNoteOff || s == kPolyAftertouch ? mData1 : -1;
}

int IMidiMsg::Velocity() const
{
    EStatusMsg s = StatusMsg();
    return s == kNoteOn || s == kNoteOff ? mData2 : -1;
}

int IMidiMsg::PolyAfterTouch() const
{
    return StatusMsg() == kPolyAftertouch ? mData2 : -1;
}

int IMidiMsg::ChannelAfterTouch() const
{
    return StatusMsg() == kChannelAftertouch ? mData1 : -1;
}

int IMidiMsg::Program() const
{
    return StatusMsg() == kProgramChange ? mData1 : -1;
}

double IMidiMsg::PitchWheel() const
{
    if (StatusMsg() != kPitchWheel)
        return 0.0;
    return (mData2 * 128 + mData1 - 8192) / 8192.0;
}

double IMidiMsg::ControlChange(int controller) const
{
    return StatusMsg() == kControlChange && mData1 == controller ? mData2 / 127.0 : -1.0;
}

const char* IMidiMsg::StatusMsgStr(int msg)
{
    switch (msg)
    {
    case kNone:
        return "none";
    case kNoteOff:
        return "noteoff";
    case kNoteOn:
        return "noteon";
    case kPolyAftertouch:
        return "aftertouch";
    case kControlChange:
        return "controlchange";
    case kProgramChange:
        return "programchange";
    case kChannelAftertouch:
        return "channelaftertouch";
    case kPitchWheel:
        return "pitchwheel";
    default:
        return "unknown";
    }
}

void SysExStr(char* buffer, int bufferSize, const unsigned char* data, int size)
{
    if (!buffer || bufferSize <= 0)
        return;
    buffer[0] = '\0';
    int n = size < bufferSize / 3 ? size : bufferSize / 3;
    char* p = buffer;
    for (int i = 0; data && i < n; ++i)
    {
        // Each byte takes three characters ("XX" and a blank); the last blank becomes the
        // terminator, so n bytes fit in 3 * n characters.
        std::snprintf(p, 4, i + 1 < n ? "%02X " : "%02X", data[i]);
        p += i + 1 < n ? 3 : 2;
    }
}
