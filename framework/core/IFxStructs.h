#pragma once

// MIDI message of three bytes at a frame offset within the processing block.
struct IMidiMsg
{
    enum EStatusMsg
    {
        kNone = 0,
        kNoteOff = 8,
        kNoteOn = 9,
        kPolyAftertouch = 10,
        kControlChange = 11,
        kProgramChange = 12,
        kChannelAftertouch = 13,
        kPitchWheel = 14
    };

    int mOffset = 0;
    unsigned char mStatus = 0;
    unsigned char mData1 = 0;
    unsigned char mData2 = 0;

    void MakeNoteOnMsg(int noteNumber, int velocity, int offset, int channel = 0);
    void MakeNoteOffMsg(int noteNumber, int offset, int channel = 0);
    void MakePitchWheelMsg(double value, int channel = 0);
    void MakeControlChangeMsg(int controller, double value, int channel = 0);
    void Clear() { *this = IMidiMsg(); }

    int Channel() const { return mStatus & 0x0F; }
    EStatusMsg StatusMsg() const;
    int NoteNumber() const;
    int Velocity() const;
    int PolyAfterTouch() const;
    int ChannelAfterTouch() const;
    int Program() const;
    double PitchWheel() const;
    int ControlChangeIdx() const { return mData1; }
    double ControlChange(int controller) const;

    static const char* StatusMsgStr(int msg);
};

struct ISysEx
{
    int mOffset = 0;
    const unsigned char* mData = nullptr;
    int mSize = 0;
};

// Writes up to bufferSize / 3 bytes of data as "%02X" separated by blanks.
void SysExStr(char* buffer, int bufferSize, const unsigned char* data, int size);

// Transport and tempo of the block being processed, as the host reports it.
struct ITimeInfo
{
    double mTempo = 0.0;
    double mSamplePos = 0.0;
    double mPPQPos = 0.0;
    double mLastBar = 0.0;
    double mCycleStart = 0.0;
    double mCycleEnd = 0.0;
    int mNumerator = 0;
    int mDenominator = 0;
    bool mTransportIsRunning = false;
    bool mTransportLoopEnabled = false;
};
