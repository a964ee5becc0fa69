#pragma once

// Page pictures recorded against a reference device and replayed one recorded unit to one unit.

#include <QPicture>

class QPainter;

namespace preview {

// A painter on this picture resolves font point sizes at the reference device's resolution, so
// a recorded unit is one pixel of that device and text keeps its point size on it.
class PagePicture final : public QPicture {
public:
    PagePicture(int pixelsPerInchX, int pixelsPerInchY);

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    int m_dpiX;
    int m_dpiY;
};

// Replays `picture` so that one recorded unit is one unit of the painter's current coordinates.
// A picture played on its own is scaled by the target's resolution over the screen's; this undoes
// that.
void playPicture(QPainter& painter, const QPicture& picture);

} // namespace preview
