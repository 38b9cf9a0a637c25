// DlgThumNail: the modal picture chooser. Twenty thumbnails a page of one folder's pictures with
// the recently used ones first, paging, search by file name, single and double click choice.
#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "skin/skin_window.h"

class CThumbnailButton;
class CxSkinButton;
class QLineEdit;
class SkStatic;
class ThumbnailLoader;

class DlgThumNail : public skin::SkinDialog {
    Q_OBJECT
public:
    static constexpr int kPageSize = 20;
    enum ControlIds {
        kFirstPageId = 1212,
        kPreviousPageId = 1190,
        kNextPageId = 1204,
        kLastPageId = 1091,
        kPageLabelId = 1251,
        kSearchTextId = 1254,
        kSearchId = 1253,
        kOkId = 1,
        kCancelId = 2,
        kCloseId = 1175,
    };
    enum Result { IdOk = 1, IdCancel = 2 };

    /// folder: a folder ending in "/" or empty (the user picks one when shown); listKind non-zero
    /// for portraits (recent list "RecentlyPortrait"), 0 for frames ("RecentlyFrame").
    DlgThumNail(const QString& folder, QWidget* parent = nullptr, int listKind = 0);
    ~DlgThumNail() override;

    /// Runs the start-up (folder picker when no folder was given, entries, first page) and the
    /// dialog. Returns IdOk or IdCancel.
    int exec() override;
    /// The start-up without showing the dialog; false when the folder picker was cancelled.
    bool initialise();

    /// Thumbnails show the see-through opening of frames (their centre colour) as checks.
    void setFramePreview(bool on) { m_framePreview = on; }

    QString chosenPath() const { return m_chosen; }
    /// The folder shown, ending in "/".
    QString folder() const { return m_folder; }
    const QStringList& entries() const { return m_entries; }
    int first() const { return m_first; }
    int pageCount() const;
    QString pageLabel() const;
    /// The buttons of the shown page (those whose picture turned out unreadable are gone).
    QList<CThumbnailButton*> buttons() const;
    /// Waits until every thumbnail of the page has been built and shown.
    void waitForThumbnails();

    void firstPage();
    void previousPage();
    void nextPage();
    void lastPage();
    /// Looks for folder + text among the entries and shows its page; tells the user when absent.
    void search(const QString& text);

public slots:
    void reject() override;

private:
    void readEntries();
    void showPage();
    void onThumbnail(int tag, const QImage& thumbnail);
    void onLeftClicked(CThumbnailButton* button);
    void onDoubleClicked(CThumbnailButton* button);
    static QPoint slotPosition(int j);

    QString m_folder;
    int m_listKind;
    QStringList m_entries;
    int m_first = 0;
    QString m_chosen;
    bool m_initialised = false;
    bool m_framePreview = false;
    QList<QPointer<CThumbnailButton>> m_buttons;
    ThumbnailLoader* m_loader;
    SkStatic* m_pageLabel;
    QLineEdit* m_searchText;
};
