// CPictureFrame: a picture control that shows its picture at the picture's own size from its
// top-left corner, optionally with the columns where a printed page ends marked over it.
#pragma once

#include <vector>

#include <QImage>
#include <QWidget>

class CPictureFrame : public QWidget {
public:
    explicit CPictureFrame(QWidget* parent = nullptr);
    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }
    /// Columns of the shown picture where a new page starts (empty: none shown).
    void setPageSplits(const std::vector<int>& columns);
    const std::vector<int>& pageSplits() const { return m_splits; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QImage m_picture;
    std::vector<int> m_splits;
};
