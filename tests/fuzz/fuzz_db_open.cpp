// Opening a subject database from arbitrary bytes: read-only (the
// command-line listings) and read-write (start-up, which repairs missing
// tables), then every listing. Errors are expected; crashes and hangs not.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "db/CSubjectDatabase.h"
#include "db/SubjectQueries.h"

using namespace ordavia;

namespace {

std::string scratchPath() {
    const char* shm = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(shm) + "/ordavia_fuzz_db_" + std::to_string(getpid()) + ".db";
}

void list(CSubjectDatabase& db) {
    (void)readDbInfo(db.handle());
    (void)listSubjects(db.handle());
    (void)findSubjectIds(db.handle(), "a");
    (void)listExams(db.handle(), "a");
    (void)listResults(db.handle(), 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = scratchPath();
    for (int mode = 0; mode < 2; ++mode) {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return 0;
        std::fwrite(data, 1, size, f);
        std::fclose(f);
        std::remove((path + "-journal").c_str());
        CSubjectDatabase db;
        if (mode == 0 ? db.openReadOnly(path).ok() : db.openPath(path).ok()) list(db);
        db.close();
    }
    std::remove(path.c_str());
    return 0;
}
