#pragma once
// A dimension: a geometric object drawn on an image to measure it. Vertices
// are image pixel coordinates; measures come out in calibrated units by
// multiplying pixel differences by an x scale and a y scale (units per
// pixel). The base class is an open polyline; the subclasses change how the
// path closes, how area is taken and what derived geometry they keep.
//
// Archived under the class's own name, schema 1, with layout version 3:
// version, colour, width, label (archive string), vertex count (archive
// count) and the vertices as pairs of 32-bit integers. Version 2 has no
// label; in the oldest layout the first integer is the colour itself (255)
// and neither width nor label follow.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/CObject.h"
#include "base/Geometry.h"
#include "measure/TortuosityParams.h"

class CDimLine;

class CDim : public ordavia::CObject {
    ORDAVIA_SERIAL(CDim, 1)
public:
    static constexpr int32_t kLayoutVersion = 3;
    // The first integer of the oldest layout, which was the colour.
    static constexpr int32_t kOldestLayout = 255;
    static constexpr uint32_t kDefaultColour = 255;  // red in the low byte
    // Hit tests and crosses reach this many pixels either side of a vertex.
    static constexpr int kHitTolerance = 3;

    CDim();
    ~CDim() override;
    void Serialize(ordavia::Archive& ar) override;

    uint32_t colour() const { return colour_; }
    void setColour(uint32_t c) { colour_ = c; }
    const std::string& label() const { return label_; }
    void setLabel(std::string s) { label_ = std::move(s); }
    bool isSelected() const { return selected_; }
    void setSelected(bool on) { selected_ = on; }
    // Band width in pixels; 1 is a plain line.
    int width() const { return width_; }
    void setWidth(int w);
    int vertexCount() const { return static_cast<int>(vertices_.size()); }
    const std::vector<ordavia::ZPoint>& vertices() const { return vertices_; }
    // Replaces vertex i (ignored when out of range) and rebuilds derived data.
    void setVertex(int i, ordavia::ZPoint p);
    // Moves every vertex by the offset.
    void moveBy(int dx, int dy);

    // The i-th vertex; (0, 0) when out of range.
    virtual ordavia::ZPoint getVertex(int i) const;
    // Index of the new vertex, or -1 when it was not added.
    virtual int addVertex(ordavia::ZPoint p);
    // Path length over all vertices (closed for a polygon).
    virtual double length(double xs, double ys) const;
    // Sums of |dx| * xs and |dy| * ys along the path.
    virtual double xExtent(double xs) const;
    virtual double yExtent(double ys) const;
    // Scaled length of the parts of the path inside the rectangle.
    virtual double lengthInRect(const ordavia::ZRect& r, double xs, double ys) const;
    // Segment lengths from vertex first to vertex last (open path).
    virtual double pathLength(int first, int last, double xs, double ys) const;
    // Scaled distance between vertices i and j; 0 when either is out of range.
    virtual double distance(int i, int j, double xs, double ys) const;
    // atan2 of the scaled difference from i to j, radians; 0 when out of range.
    virtual double angle(int i, int j, double xs, double ys) const;
    virtual double area(double xs, double ys) const;
    virtual double areaInRect(const ordavia::ZRect& r, double xs, double ys) const;
    // Returns the new vertex count.
    virtual int removeVertex(int i);
    virtual void removeAllVertices();
    // Scales about the first vertex so that the pixel length becomes newLength.
    virtual void setLength(double newLength);
    virtual void scaleAboutFirst(double factor);
    // True when p is within kHitTolerance pixels in x and in y of the first vertex.
    virtual bool hit(ordavia::ZPoint p) const;
    virtual bool anyVertexInRect(const ordavia::ZRect& r) const;
    virtual bool allVerticesInRect(const ordavia::ZRect& r) const;
    // Moves the object so that its first vertex lands on p.
    virtual void moveTo(ordavia::ZPoint p);
    // Rotates by a radians about (cx, cy) in image coordinates (y down): a
    // positive angle turns the object anticlockwise on the screen.
    virtual void rotate(double a, double cx, double cy);
    // Rebuilds derived data after a change of vertices.
    virtual void update();
    // A new object of the same class with the same colour, width, label and vertices.
    virtual std::unique_ptr<CDim> clone() const;
    // The centre as a point, and exactly through x and y.
    virtual ordavia::ZPoint centre(double& x, double& y) const;
    virtual ordavia::ZPoint centrePoint() const;
    // A line of the same colour and length as the chord from the first to
    // the last vertex, crossing it at right angles through its midpoint.
    // Null with fewer than two vertices. (Callers include CDimLine.h.)
    virtual std::unique_ptr<CDimLine> perpendicular() const;
    // Path length over chord length; 0 for objects other than lines.
    virtual double tortuosityRatio() const;
    // Curve-based tortuosity; 0 with count 0 for objects other than lines.
    virtual double tortuosity(double xs, double ys, int& curveCount, const ordavia::TortuosityParams& params) const;
    // Every coordinate becomes coordinate * numerator / denominator
    // (integer division). A zero denominator leaves the object unchanged.
    virtual void rescale(int numerator, int denominator);

protected:
    // Whether the path returns from the last vertex to the first.
    virtual bool closedPath() const { return false; }
    // Copies colour, width, label and vertices into a fresh object.
    std::unique_ptr<CDim> cloneInto(std::unique_ptr<CDim> fresh) const;
    bool validIndex(int i) const { return i >= 0 && i < vertexCount(); }
    // Calls f(a, b) for every segment of the path.
    template <class F>
    void forEachSegment(F f) const {
        const size_t n = vertices_.size();
        for (size_t i = 1; i < n; ++i) f(vertices_[i - 1], vertices_[i]);
        if (closedPath() && n > 1) f(vertices_[n - 1], vertices_[0]);
    }

    std::vector<ordavia::ZPoint> vertices_;

private:
    uint32_t colour_ = kDefaultColour;
    std::string label_;
    bool selected_ = false;
    int width_ = 1;
};
