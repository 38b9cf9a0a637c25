// CPagePreview: the pages a print will fill, drawn small beside the print dialog's picture: each
// sheet of paper, its printable area and the strip of the picture that lands on it, from the same
// plan the print routine follows, so what the operator sees is what comes out.
#pragma once

#include <vector>

#include <QImage>
#include <QRectF>
#include <QString>
#include <QWidget>

#include "output/print_layout.h"

class CPagePreview : public QWidget {
public:
    /// One drawn page, in widget coordinates.
    struct PageBox {
        QRectF paper;
        QRectF printable;
        QRectF strip; ///< where the picture's strip lands (may reach past the paper)
    };

    explicit CPagePreview(QWidget* parent = nullptr);

    /// Shows plan for a picture of printedSize on surface; picture is drawn in its place (it may
    /// be a smaller copy of the same picture; empty printedSize = picture's own size).
    void setPlan(const PrintPlan& plan, const PrintSurface& surface, const QImage& picture, QSize printedSize = {});
    /// Shows no pages, only why (e.g. "No printer").
    void clearPlan(const QString& why);

    const PrintPlan& plan() const { return m_plan; }
    /// The pages drawn (at most as many as fit; caption() tells of the rest).
    const std::vector<PageBox>& pages() const { return m_pages; }
    /// The line under the pages: "2 pages", "1 page, bottom cut off", the reason of clearPlan...
    QString caption() const { return m_caption; }
    /// The picture is taller than the printable area: its bottom will not be printed.
    bool cutOff() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    void layoutPages();

    PrintPlan m_plan;
    PrintSurface m_surface;
    QImage m_picture;
    QSize m_printedSize;
    std::vector<PageBox> m_pages;
    QString m_caption;
};
