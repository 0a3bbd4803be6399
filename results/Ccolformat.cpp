#include "results/Ccolformat.h"

#include "base/Archive.h"

using namespace ordavia;

void Ccolformat::Serialize(Archive& ar) {
    if (ar.IsStoring()) {
        ar.writeWord(column);
        ar.writeWord(kind);
        ar.writeString(heading);
        ar.writeWord(displayWidth);
        ar.writeWord(fieldWidth);
        ar.writeWord(decimals);
        return;
    }
    column = ar.readWord();
    kind = ar.readWord();
    heading = ar.readString();
    displayWidth = ar.readWord();
    fieldWidth = ar.readWord();
    decimals = ar.readWord();
}
