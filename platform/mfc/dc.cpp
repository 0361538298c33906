#include "framework_window.h"

#include "resources.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

using namespace afx_detail;

IMPLEMENT_DYNAMIC(CDC, CObject)
IMPLEMENT_DYNAMIC(CPaintDC, CDC)

namespace afx_detail {

QPixmap IconPixmap(HICON icon, int size)
{
    const IconResource* resource = IconFromHandle(icon);
    if (!resource || resource->images.empty()) return {};
    // The image of the asked size, else the largest one scaled.
    const IconImage* best = &resource->images.front();
    for (const IconImage& image : resource->images) {
        if (image.width == size) {
            best = &image;
            break;
        }
        if (image.width > best->width) best = &image;
    }
    QImage image(best->width, best->height, QImage::Format_ARGB32);
    for (int y = 0; y < best->height; ++y)
        for (int x = 0; x < best->width; ++x)
            image.setPixel(x, y, best->argb[static_cast<std::size_t>(y) * static_cast<std::size_t>(best->width) + static_cast<std::size_t>(x)]);
    QPixmap pixmap = QPixmap::fromImage(image);
    return best->width == size ? pixmap : pixmap.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace afx_detail

BOOL CDC::DrawIcon(int x, int y, HICON icon)
{
    auto* painter = reinterpret_cast<QPainter*>(m_hDC);
    if (!painter || !painter->isActive() || !icon) return FALSE;
    painter->drawPixmap(x, y, IconPixmap(icon, GetSystemMetrics(SM_CXICON)));
    return TRUE;
}

// Paints only inside the window's own paint handling; elsewhere the device draws nothing.
CPaintDC::CPaintDC(CWnd* window)
{
    Window* record = window ? WindowFromHandle(window->m_hWnd) : nullptr;
    if (record && record->widget && record->dialog && record->dialog->painting) {
        m_hWnd = record->handle();
        m_hDC = reinterpret_cast<HDC>(new QPainter(record->widget.data()));
    }
}

CPaintDC::~CPaintDC() { delete reinterpret_cast<QPainter*>(m_hDC); }
