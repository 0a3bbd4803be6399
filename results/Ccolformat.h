#pragma once
// One column of a results table (class "Ccolformat", schema 0). Layout:
// column, kind (16 bits each), heading (archive string), displayWidth,
// fieldWidth, decimals (16 bits each).
#include <cstdint>
#include <string>

#include "base/CObject.h"

class Ccolformat : public ordavia::CObject {
    ORDAVIA_SERIAL(Ccolformat, 0)

public:
    Ccolformat() = default;
    Ccolformat(uint16_t col, uint16_t k, std::string head, uint16_t display, uint16_t field, uint16_t dec)
        : column(col), kind(k), heading(std::move(head)), displayWidth(display), fieldWidth(field), decimals(dec) {}

    // Index of the cell in each row that this column shows.
    uint16_t column = 0;
    // Every column set in use has kind 1.
    uint16_t kind = 1;
    std::string heading;
    // Width on screen, in characters.
    uint16_t displayWidth = 0;
    // printf field width and precision of numeric cells.
    uint16_t fieldWidth = 0;
    uint16_t decimals = 0;

    void Serialize(ordavia::Archive& ar) override;
};
