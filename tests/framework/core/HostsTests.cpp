#include "TestAdapter.h"
#include "util/base64encdec.h"

#include <gtest/gtest.h>

#include <string>

TEST(Hosts, LookUpByKeyInPriorityOrder)
{
    EXPECT_EQ(LookUpHost("Cubase 9"), kHostCubase);
    EXPECT_EQ(LookUpHost("Live 10"), kHostAbletonLive);
    EXPECT_EQ(LookUpHost("NUENDO"), kHostNuendo);
    EXPECT_EQ(LookUpHost(""), kHostUnknown);
    EXPECT_EQ(LookUpHost(nullptr), kHostUnknown);
    EXPECT_EQ(LookUpHost("Cubase Live"), kHostCubase);
    EXPECT_EQ(LookUpHost("DiGiTaL thing"), kHostDigitalPerformer);
    EXPECT_EQ(LookUpHost("VST3PluginTestHost"), kHostVST3TestHost);
    std::string longName(400, 'x');
    longName += "reaper";
    EXPECT_EQ(LookUpHost(longName.c_str()), kHostUnknown);

    char name[32];
    GetHostNameStr(kHostMelodyneStudio, name);
    EXPECT_STREQ(name, "Unknown");
    GetHostNameStr(kHostSonar, name);
    EXPECT_STREQ(name, "Sonar");
    GetHostNameStr(99, name);
    EXPECT_STREQ(name, "Unknown");
}

TEST(Hosts, Versions)
{
    char text[32];
    GetVersionStr(0x00010100, text);
    EXPECT_STREQ(text, "v1.1.0");
    EXPECT_EQ(GetDecimalVersion(0x00010100), 10100);
    EXPECT_EQ(GetDecimalVersion(0x00020A03), 21003);
    int major;
    GetVersionParts(static_cast<int>(0xFFFF0000u), &major, nullptr, nullptr);
    EXPECT_EQ(major, 65535);

    TestAdapter plug(1, "2-2");
    EXPECT_STREQ(plug.GetAPIString(), "VST3");
    EXPECT_EQ(plug.GetHost(), kHostUninit);
    plug.SetHost("REAPER", 0x00060000);
    EXPECT_EQ(plug.GetHost(), kHostReaper);
    EXPECT_EQ(plug.GetHostVersion(true), 60000);
    plug.GetEffectVersionStr(text);
    EXPECT_STREQ(text, "v1.1.0");
    EXPECT_STREQ(GetAPIName(7), "");
}

TEST(Base64, RoundTripAndStopsAtForeignCharacters)
{
    const unsigned char data[] = {0, 0, 0, 0, 0, 0, 0x38, 0x40};
    EXPECT_EQ(base64encode(data, 8), "AAAAAAAAOEA=");
    EXPECT_EQ(base64encode(data, 1), "AA==");
    EXPECT_EQ(base64encode(data, 0), "");
    unsigned char out[8];
    EXPECT_EQ(base64decode("AAAAAAAAOEA=", out, 8), 8);
    EXPECT_EQ(out[7], 0x40);
    EXPECT_EQ(base64decode("OE!A", out, 8), 1);
    EXPECT_EQ(out[0], 0x38);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(base64decode(nullptr, out, 8), 0);
}
