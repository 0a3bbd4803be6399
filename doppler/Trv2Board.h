#pragma once
// The laser Doppler interface board. This build has no board driver: the
// board is simulated by playing back "raw.bin" from the program folder,
// consecutive little-endian signed 16-bit samples, starting again at the
// beginning when fewer samples remain than a read asks for. Without that
// file (or with one too short to hold a sample, or a name that is not a
// regular file) the board is absent. The file is read as it plays, a
// buffer at a time: its length costs no memory.
//
// The samples "arrive" at the sampling rate by the board's sample clock,
// which tests replace with their own.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "doppler/RawSampleFile.h"

namespace ordavia {

class AppServices;

class Trv2Board {
public:
    static constexpr int kBlockLength = 512;
    static constexpr double kInitialRate = 40000.0;
    static constexpr double kInitialInterval = 100.0;
    static constexpr int kAuxInputs = 7;
    // The divider's clock: the rates in force are this divided by 1..65535.
    static constexpr double kBaseClock = 10.0e6;

    Trv2Board();

    // The run's board on the services; null: no board, no monitor.
    static Trv2Board* of(const AppServices& services);

    // The folder that holds raw.bin (with or without its trailing
    // separator); set before initialise.
    void setProgramFolder(std::string folder) { folder_ = std::move(folder); }
    // Plays this file instead of the program folder's raw.bin (the command
    // line's recordings).
    void setPlaybackFile(std::string path) { path_ = std::move(path); }
    // Plays these samples (a recording already in memory); present when
    // there is at least one. The rate and input are reset as by initialise.
    void setPlayback(std::vector<int16_t> samples);
    void setAddress(uint16_t address) { address_ = address; }
    uint16_t address() const { return address_; }

    // Resets the board: input 0, 40000 Hz, interval 100, playback from the
    // start. present() then tells whether the board can be used.
    void initialise(int channels);
    bool present() const { return present_; }
    int channels() const { return channels_; }

    int selectInput(int n);
    int input() const { return input_; }
    // Accepted only when it gives a divider between 1 and 65535; returns
    // the rate in force either way.
    double setSamplingRate(double hz);
    double samplingRate() const { return rate_; }
    double interval() const { return interval_; }

    // Samples produced since the last consuming call (0 when absent);
    // consume starts the count again from here.
    long samplesAvailable(bool consume);
    // Fills n samples; false when absent or when the file cannot be read
    // any more (playbackError() says why).
    bool readBlock(int16_t* buffer, int n);
    // The laser's switch; the playback goes on either way (it was recorded
    // with the laser on).
    void setLaser(bool on) { laser_ = on; }
    bool laser() const { return laser_; }
    // The seven auxiliary inputs 1..7.
    std::array<int16_t, kAuxInputs> readAuxInputs() const;
    void close();

    // Seconds of the sample clock; the default is the steady clock.
    void setClock(std::function<double()> clock);
    // Samples of the playback (a file's or those given), and where the
    // next read starts.
    uint64_t sampleCount() const { return playingFile() ? file_.sampleCount() : samples_.size(); }
    uint64_t position() const { return playingFile() ? file_.position() : pos_; }
    // The playback file's odd last byte, which is no sample and not played.
    bool strayByte() const { return playingFile() && file_.strayByte(); }
    // Why the board is absent or stopped reading: the file's reason in
    // words; empty when it plays.
    const std::string& playbackError() const { return error_; }

private:
    bool playingFile() const { return file_.isOpen(); }

    std::string folder_, path_;
    std::string error_;
    RawSampleFile file_;
    uint16_t address_ = 768;
    bool present_ = false;
    bool laser_ = true;
    int channels_ = 1;
    int input_ = 0;
    double rate_ = kInitialRate;
    double interval_ = kInitialInterval;
    std::function<double()> clock_;
    double lastTime_ = 0.0;
    double carry_ = 0.0;
    std::vector<int16_t> samples_;
    size_t pos_ = 0;
};

}  // namespace ordavia
