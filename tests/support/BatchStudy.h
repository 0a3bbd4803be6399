#pragma once
// A synthetic study for "ordavia-cli batch" and its workflow: pictures,
// videos and a Doppler recording made by the tool's own generators, and a
// manifest with one job of every analysis on them. The same arguments give
// the same files.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/SyntheticLimb.h"
#include "synth/SyntheticVideo.h"

namespace testsupport {

struct BatchStudySize {
    int pictures = 2;
    int videos = 1;
    int frames = 30;
    int width = 320, height = 240;
    bool doppler = true;
};

// Runs the built ordavia-cli in `dir` with a private profile; the exit code.
inline int studyCli(const std::string& dir, const std::string& args, const std::string& redirect = " >/dev/null 2>&1") {
    const std::string cmd = "cd '" + dir + "' && " + std::string(ORDAVIA_PROGRAM_DIR) + "/ordavia-cli --profile p.ini " +
                            args + redirect;
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string readWhole(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// The manifest rows (no heading) of the study made in `dir`; files are
// made only when missing, so a study kept in a folder is made once.
inline std::vector<std::string> makeBatchStudy(const std::string& dir, const BatchStudySize& size = {}) {
    std::vector<std::string> rows;
    auto missing = [&](const std::string& name) { return ::access((dir + "/" + name).c_str(), F_OK) != 0; };
    for (int i = 0; i < size.pictures; ++i) {
        const std::string name = "p" + std::to_string(i) + ".bmp";
        if (missing(name)) studyCli(dir, "synth image " + name + " --seed " + std::to_string(i + 1));
        rows.push_back(name + ",count,\"--line 10,120,758,120 --scale 1.6\"");
        rows.push_back(name + ",width,\"--line 70,110,50,114 --scale 1.6\"");
    }
    for (int i = 0; i < size.videos; ++i) {
        const std::string name = "v" + std::to_string(i);
        ordavia::SyntheticVideo::Params p;
        p.seed = uint64_t(i + 1);
        p.frames = size.frames;
        p.width = size.width;
        p.height = size.height;
        if (missing(name + ".dcs"))
            studyCli(dir, "synth video " + name + ".mve --truth " + name + ".json --seed " + std::to_string(p.seed) +
                              " --frames " + std::to_string(p.frames) + " --size " + std::to_string(p.width) + "x" +
                              std::to_string(p.height));
        ordavia::SyntheticVideo truth;
        std::string line;
        if (truth.prepare(p).ok())
            for (const auto& c : truth.truth().capillaries)
                if (c.flows && line.empty())
                    for (const ordavia::ZPoint& q : limbLine(c))
                        line += (line.empty() ? "" : ",") + std::to_string(q.x) + "," + std::to_string(q.y);
        rows.push_back(name + ".dcs,stabilise,");
        rows.push_back(name + ".dcs,linescan,\"--line " + line + "\"");
        rows.push_back(name + ".mve,fcf,");
    }
    if (size.doppler) {
        if (missing("d.bin")) studyCli(dir, "synth doppler d.bin --truth d.json --seconds 4");
        rows.push_back("d.bin,doppler,");
    }
    return rows;
}

inline void writeManifest(const std::string& path, const std::vector<std::string>& rows) {
    std::ofstream f(path, std::ios::binary);
    f << "file,analysis,options\n";
    for (const std::string& r : rows) f << r << "\n";
}

}  // namespace testsupport
