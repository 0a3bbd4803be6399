#pragma once
// The settings the application reads once at start-up and holds for the
// whole run; the first block is written back at exit and by File > New.
#include <string>

class ProfileStore;

namespace ordavia {

struct StartupSettings {
    // Doppler calculation settings ("TRVcalcs").
    int cbvMethod = 0;
    int minThreshold = 50;
    int threshOfAv2 = 30;
    int nOverThresh = 4;
    int LoCutOff = 10;
    int noisefloorRC = 1;
    bool autonoise = false;
    int ped1 = 10;
    int ped2 = 60;
    int ped3 = 90;
    int keepDop = 1;
    int cutDopTop = 0;
    int FFTwindow = 0;
    bool FSlinkthreshold = true;
    double FSthreshold = 0.5;
    // Recording.
    int direct2disc = 1;
    std::string recorddir;
    std::string basename;
    int triggermovie = 0;
    int expertmode = 1;
    // Read only at start-up.
    double red = 0.299;
    double green = 0.587;
    double blue = 0.114;
    int showdb = 0;
    std::string directory = ".\\";
    int dustmask = 0;
    int address = 768;
    int numberofchannels = 1;

    // Reads every key of the table; the dust-mask default is the value held
    // before.
    void load(const ProfileStore& store);
    // Writes "cbvMethod" to "expertmode" in the table's order.
    void save(const ProfileStore& store) const;
};

}  // namespace ordavia
