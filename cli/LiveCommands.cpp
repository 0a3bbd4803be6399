// "synth live-files": the pictures and the video the simulated cameras
// play, as shipped beside the programs.
#include "cli/CliCommand.h"
#include "synth/LiveDeviceFiles.h"

using namespace ordavia;

namespace {

int runLiveFiles(const CliArgs& a) {
    if (a.positional.size() != 1) return cliError("usage: ordavia-cli synth live-files FOLDER");
    const Status s = writeLiveDeviceFiles(a.positional[0]);
    if (!s) return cliError("synth live-files: " + s.reason());
    cliOut("wrote pseudo.bmp, pseudocol.bmp, pseudobayer.zvg and pseudoflow.avi in " + a.positional[0] + "\n");
    return 0;
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{
    "synth live-files", "synth live-files FOLDER",
    "Writes the files the simulated cameras play into FOLDER: pseudo.bmp (grey),\n"
    "pseudocol.bmp (colour), pseudobayer.zvg (raw Bayer) and pseudoflow.avi (a\n"
    "4 s video of flowing capillaries), drawn from the synthetic nailfold.",
    {},
    runLiveFiles});
