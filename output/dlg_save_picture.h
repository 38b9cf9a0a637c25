// DlgSavePicture: saves the booth's sheet as a picture file, optionally over a backdrop chosen
// from the background folder's strip or with the picture browser, at 1024 x 768, 528 x 400 or
// the full resolution of the shots.
#pragma once

#include <functional>

#include <QImage>
#include <QString>
#include <QStringList>

#include "output/sheet_picture.h"
#include "skin/skin_window.h"

class CPictureFrame;
class CTransparentPic;
class CxSkinButton;
class SkComboBox;
struct AppPaths;

class DlgSavePicture : public skin::SkinDialog {
    Q_OBJECT
public:
    static constexpr int kStripSlots = 5;
    enum ControlIds {
        kBackdropId = 1188,
        kPreviewId = 1189,
        kSaveId = 1135,
        kCancelId = 2,
        kCloseId = 1175,
        kSizeId = 1210,
        kBrowseId = 1205,
        kPreviousId = 1190,
        kNextId = 1204,
    };
    /// Strip slots 1 to 5.
    static constexpr int kSlotIds[kStripSlots] = { 1206, 1207, 1208, 1091, 1209 };
    enum Result { IdOk = 1, IdCancel = 2 };

    /// Backdrops are kept at most this large on their longest side.
    static constexpr int kMaxBackdropSide = SheetPicture::kMaxFullSide;

    /// sheet: the used slots (copied). The first backdrop is plain white paper. The backdrop
    /// strip lists paths.m_backgroundFolder; the file picker starts in paths.m_currentFolder.
    DlgSavePicture(const SheetPicture& sheet, const AppPaths& paths, QWidget* parent = nullptr);

    int result() const { return QDialog::result(); }
    /// The file written by the last successful save; empty before.
    QString savedPath() const { return m_savedPath; }

    /// How the backdrop browser (1205) is asked; by default the picture browser. Returns the path.
    void setBackdropChooser(std::function<QString(QWidget*)> chooser) { m_chooser = std::move(chooser); }

    // ---- State ----
    const QStringList& backdropList() const { return m_list; }
    int firstIndex() const { return m_first; }
    /// The list entry shown in strip slot k, or -1 when the slot is hidden.
    int slotEntry(int k) const { return m_slotEntry[k]; }
    CxSkinButton* slotButton(int k) const { return m_slots[k]; }
    /// The backdrop as shown (530 x 400) and as chosen (its file's picture; null = white paper).
    const QImage& backdrop() const { return m_backdrop; }
    const QImage& backdropSource() const { return m_backdropSource; }
    int sizeLine() const;
    void setSizeLine(int line);
    /// The size line's text as listed.
    QString sizeLineText(int line) const;
    /// The sheet over the backdrop as the preview shows it (530 x 400).
    QImage composite() const;

    // ---- Commands ----
    void previousPage();
    void nextPage();
    void chooseSlot(int k);
    void chooseWithBrowser();
    /// Save (1135): asks for the file, writes it and ends with IdOk; stays open when cancelled or
    /// when the file could not be written (the user is told why).
    void OnSave();

public slots:
    void reject() override;

private:
    void readList(const QString& folder);
    void showPage();
    bool setBackdropFile(const QString& path);

    void showPreview();

    SheetPicture m_sheet;
    QImage m_backdrop;
    QImage m_backdropSource;
    QStringList m_list;
    int m_first = 0;
    int m_slotEntry[kStripSlots] = { -1, -1, -1, -1, -1 };
    CxSkinButton* m_slots[kStripSlots] = {};
    CPictureFrame* m_backdropFrame;
    CTransparentPic* m_preview;
    SkComboBox* m_size;
    QString m_startFolder;
    QString m_savedPath;
    std::function<QString(QWidget*)> m_chooser;
};
