#pragma once

// Host applications the framework can tell apart by their self-reported names. Plug-ins and
// adapters use the code to work around host particularities.
enum EHost
{
    kHostUninit = -1,
    kHostUnknown = 0,
    kHostReaper,
    kHostProTools,
    kHostCubase,
    kHostNuendo,
    kHostSonar,
    kHostVegas,
    kHostFL,
    kHostSamplitude,
    kHostAbletonLive,
    kHostTracktion,
    kHostNTracks,
    kHostMelodyneStudio,
    kHostVSTScanner,
    kHostAULab,
    kHostForte,
    kHostChainer,
    kHostAudition,
    kHostOrion,
    kHostBias,
    kHostSAWStudio,
    kHostLogic,
    kHostGarageBand,
    kHostDigitalPerformer,
    kHostStandalone,
    kHostAudioMulch,
    kHostStudioOne,
    kHostVST3TestHost,
    kHostArdour,
    kHostRenoise,
    kHostOpenMPT
};

enum EAPI
{
    kAPIVST2 = 0,
    kAPIVST3 = 1,
    kAPIAU = 2,
    kAPIRTAS = 3,
    kAPIAAX = 4,
    kAPISA = 5,
    kAPILV2 = 6
};

// Longest host name matched whole; longer names are cut before matching.
constexpr int kMaxHostNameLen = 263;

EHost LookUpHost(const char* name);
// Writes the display name of a host code into out (at least 32 characters).
void GetHostNameStr(int host, char* out);
const char* GetAPIName(int api);

// Versions pack major in bits 16..31, minor in bits 8..15 and revision in bits 0..7.
void GetVersionParts(int version, int* major, int* minor, int* revision);
int GetDecimalVersion(int version);
// Writes "vMAJOR.MINOR.REVISION" into out (at least 32 characters).
void GetVersionStr(int version, char* out);
