#include "settings/StartupSettings.h"

#include "settings/ProfileStore.h"

namespace ordavia {

void StartupSettings::load(const ProfileStore& p) {
    cbvMethod = p.GetInt("TRVcalcs", "cbvMethod", 0);
    minThreshold = p.GetInt("TRVcalcs", "minThreshold", 50);
    threshOfAv2 = p.GetInt("TRVcalcs", "threshOfAv2", 30);
    nOverThresh = p.GetInt("TRVcalcs", "nOverThresh", 4);
    LoCutOff = p.GetInt("TRVcalcs", "LoCutOff", 10);
    noisefloorRC = p.GetInt("TRVcalcs", "noisefloorRC", 1);
    autonoise = p.GetInt("TRVcalcs", "autonoise", 0) != 0;
    ped1 = p.GetInt("TRVcalcs", "ped1", 10);
    ped2 = p.GetInt("TRVcalcs", "ped2", 60);
    ped3 = p.GetInt("TRVcalcs", "ped3", 90);
    keepDop = p.GetInt("TRVcalcs", "keepDop", 1);
    cutDopTop = p.GetInt("TRVcalcs", "cutDopTop", 0);
    FFTwindow = p.GetInt("TRVcalcs", "FFTwindow", 0);
    FSlinkthreshold = p.GetInt("TRVcalcs", "FSlinkthreshold", 1) != 0;
    FSthreshold = p.GetDouble("TRVcalcs", "FSthreshold", 0.5);
    direct2disc = p.GetInt("Dynamic settings", "direct2disc", 1);
    recorddir = p.GetString("directories", "recorddir", "");
    basename = p.GetString("directories", "basename", "");
    triggermovie = p.GetInt("Dynamic settings", "triggermovie", 0);
    expertmode = p.GetInt("Settings", "expertmode", 1);
    red = p.GetDouble("Settings", "red", 0.299);
    green = p.GetDouble("Settings", "green", 0.587);
    blue = p.GetDouble("Settings", "blue", 0.114);
    showdb = p.GetInt("Settings", "showdb", 0);
    directory = p.GetString("settings", "directory", ".\\");
    dustmask = p.GetInt("settings", "dustmask", dustmask);
    address = p.GetInt("trv2", "address", 768);
    numberofchannels = p.GetInt("TRVcalcs", "numberofchannels", 1);
}

void StartupSettings::save(const ProfileStore& p) const {
    p.WriteInt("TRVcalcs", "cbvMethod", cbvMethod);
    p.WriteInt("TRVcalcs", "minThreshold", minThreshold);
    p.WriteInt("TRVcalcs", "threshOfAv2", threshOfAv2);
    p.WriteInt("TRVcalcs", "nOverThresh", nOverThresh);
    p.WriteInt("TRVcalcs", "LoCutOff", LoCutOff);
    p.WriteInt("TRVcalcs", "noisefloorRC", noisefloorRC);
    p.WriteInt("TRVcalcs", "autonoise", autonoise ? 1 : 0);
    p.WriteInt("TRVcalcs", "ped1", ped1);
    p.WriteInt("TRVcalcs", "ped2", ped2);
    p.WriteInt("TRVcalcs", "ped3", ped3);
    p.WriteInt("TRVcalcs", "keepDop", keepDop);
    p.WriteInt("TRVcalcs", "cutDopTop", cutDopTop);
    p.WriteInt("TRVcalcs", "FFTwindow", FFTwindow);
    p.WriteInt("TRVcalcs", "FSlinkthreshold", FSlinkthreshold ? 1 : 0);
    p.WriteDouble("TRVcalcs", "FSthreshold", FSthreshold);
    p.WriteInt("Dynamic settings", "direct2disc", direct2disc);
    p.WriteString("directories", "recorddir", recorddir);
    p.WriteString("directories", "basename", basename);
    p.WriteInt("Dynamic settings", "triggermovie", triggermovie);
    p.WriteInt("Settings", "expertmode", expertmode);
}

}  // namespace ordavia
