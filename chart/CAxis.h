#pragma once
// Axis scaling for the chart views: from the plot's scale in units per
// pixel, a round major tick step and a number of minor divisions such that
// labels neither crowd nor spread; time axes switch between seconds,
// minutes and hours. The widget measures its font, asks for the ticks and
// draws them.
#include <cstdint>
#include <string>
#include <vector>

class CAxis {
public:
    explicit CAxis(bool time) : timeAxis(time) {}

    double unitsPerPixel = 0.0;
    double requestedScale = 0.0;
    double tickStep = 1.0;
    int32_t minorDivisions = 1;
    bool timeAxis;
    int32_t charWidth = 8;
    int32_t lineHeight = 16;
    int32_t minorTickLength = 5;
    int32_t majorTickLength = 10;
    int32_t minMinorSpacing = 8;
    int32_t maxMajorSpacing = 144;
    int32_t minMajorSpacing = 56;
    int32_t stripSize = 32;
    int32_t startPixel = 0;
    int32_t length = 0;
    std::string title;
    std::string unitLabel;

    struct Row {
        double base;
        std::vector<int> divisions;
    };
    static const std::vector<Row>& decimalTable();
    static const std::vector<Row>& timeTable();

    void setScale(double s);
    int findfactor(double s, const std::vector<Row>& table);
    int findTimeFactor(double s);
    // Font metrics: average character width, height plus leading, and
    // whether the font is proportional (its width then counts 3/2).
    void measure(int averageCharWidth, int height, bool proportional);
    static int decimalsFor(double step);

    struct Tick {
        double value;    // in axis units (after the time conversion)
        double pixel;    // from the strip's start
        bool major;
        std::string label;  // major ticks only
    };
    // The ticks inside [startPixel, startPixel + length). A y axis counts
    // pixels upward from its origin.
    std::vector<Tick> ticks() const;
};
