// DlgFilter: the filter workbench. One slot's picture fitted into a 320 x 240 box, thirty-six
// operation buttons, an undo history of whole copies, the selection tracker, Save and hand-back.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QImage>

#include "editing/edit_replay.h"
#include "editing/fc/fc_image.h"
#include "imaging/cximage.h"
#include "skin/skin_window.h"

class CRectTrackerPic;
class CxSkinButton;
class DlgEffect;
class QProgressBar;

class DlgFilter : public skin::SkinDialog {
    Q_OBJECT
public:
    enum ControlIds {
        kPictureId = 1176,
        kUndoId = 1130,
        kRedoId = 1129,
        kResumeId = 1136,
        kSaveId = 1135,
        kDecorationId = 1174,
        kTrackerId = 1214,
        kCropId = 1131,
        kCloseId = 1175,
        kOkId = 1,
        kCancelId = 2,
        kFlipId = 1091,
        kRotateLeftId = 1095,
        kRotateRightId = 1096,
        kPseudoColorsId = 1137,
        kGammaId = 1107,
        kThresholdId = 1097,
        kSoftenId = 1108,
    };
    enum Result { IdOk = 1, IdCancel = 2 };
    /// Oldest entries after the first are dropped beyond this many.
    static constexpr int kHistoryLimit = 64;

    /// What a grid button does.
    enum class Action { Direct, Effect, RotateLeft, RotateRight, PseudoColors };
    struct ButtonSpec {
        int id;
        const char* label;
        int row, column;
        int normalIcon, overIcon;
        Action action;
        int code; ///< worker command code (Direct) or effect kind (Effect)
        const char* tip;
    };
    static const std::vector<ButtonSpec>& buttons();

    /// Runs one direct operation by its worker command code; false with the picture's last error.
    /// gamma and level are the parameters of Gamma (32863) and Threshold (32799).
    static bool runDirectOperation(CxImage& picture, int code, double gamma = 1.8, int level = 128);

    /// display: the picture to edit (a null image leaves the workbench empty).
    explicit DlgFilter(const QImage& display, QWidget* parent = nullptr);
    ~DlgFilter() override;

    int exec() override;
    /// The edited picture; read it after IdOk.
    QImage displayBitmap() const { return m_display; }
    CxImage* picture() const { return m_picture.get(); }
    int historyCount() const { return int(m_history.size()); }
    int historyPosition() const { return m_position; }
    const CxImage& historyEntry(int i) const { return *m_history[size_t(i)]; }
    CRectTrackerPic* pictureControl() const { return m_tracker; }
    /// The steps that made the current picture from the one opened, when each of them can be
    /// made again at another size (see edit_replay.h); nullopt when one cannot.
    const std::optional<std::vector<EditStep>>& replayableEdits() const { return m_steps; }
    bool isBusy() const { return m_busy; }

    /// Does what a click on the button with that id does.
    void press(int id);
    void undo();
    void redo();
    void resume();
    void save();

    /// Seams for what a test cannot click: running the effect dialog (default: exec), and asking
    /// for Gamma's or Threshold's value (default: a small dialog; empty = cancelled).
    void setEffectRunner(std::function<int(DlgEffect&)> runner) { m_effectRunner = std::move(runner); }
    void setParameterAsker(std::function<std::optional<double>(int id)> asker) { m_askParameter = std::move(asker); }

public slots:
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent*) override;

private:
    void adopt(const QImage& display);
    /// "Add decoration": the layer mixer on the display bitmap.
    void decorate();
    void refresh();
    void push();
    void restoreEntry(int position);
    void runDirect(int code);
    void runEffect(int kind);
    void rotate(bool left);
    void pseudoColors();
    void setTracker(bool on);
    /// Runs work off the dialog thread while the window keeps painting; returns when it ended.
    void runOffThread(const std::function<void()>& work);
    std::optional<double> askParameter(int id);
    /// Adds a step to the replayable edits; a step that cannot be replayed ends them.
    void record(int kind, int code, std::vector<double> args = {});

    std::unique_ptr<CxImage> m_picture;
    QImage m_display;
    QImage m_restore;
    bool m_busy = false;
    bool m_stopped = false;
    int m_position = 0;
    CRectTrackerPic* m_tracker = nullptr;
    FCImage m_rotation;
    std::vector<std::unique_ptr<CxImage>> m_history;
    std::optional<std::vector<EditStep>> m_steps = std::vector<EditStep>();
    std::vector<std::optional<std::vector<EditStep>>> m_historySteps; ///< m_steps of each history entry
    CxSkinButton* m_trackerBox = nullptr;
    QProgressBar* m_progress = nullptr;
    std::function<int(DlgEffect&)> m_effectRunner;
    std::function<std::optional<double>(int id)> m_askParameter;
};
