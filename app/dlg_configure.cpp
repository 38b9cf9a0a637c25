// DlgConfigure: controls, opening, folder pickers, import and remove, Apply, Default, kiosk settings.
#include "app/dlg_configure.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/app_paths.h"
#include "app/app_toolkit.h"
#include "app/booth_settings.h"
#include "app/operator_lock.h"
#include "platform/control_id.h"
#include "platform/ini_file.h"
#include "platform/prompts.h"
#include "skin/button_st.h"
#include "skin/cx_skin_button.h"
#include "skin/sk_combo_box.h"
#include "skin/sk_static.h"
#include "skin/skin_resources.h"
#include "skin/skin_theme.h"

namespace theme = skin::theme;

namespace {

struct FolderSpec {
    const char* title;
    const char* button;
    SettingKey key;
    QString AppPaths::*member;
    const char* defaultName;
    int pickerId;
};

const FolderSpec kFolders[DlgConfigure::FolderCount] = {
    { "Select frame folder", "Frame", KeyPathFrame, &AppPaths::m_frameFolder, appdefaults::kFrameFolder,
        DlgConfigure::kPickFrameId },
    { "Select portrait folder", "Portrait", KeyPathPortrait, &AppPaths::m_portraitFolder, appdefaults::kPortraitFolder,
        DlgConfigure::kPickPortraitId },
    { "Select background folder", "Back ground", KeyPathBackGround, &AppPaths::m_backgroundFolder,
        appdefaults::kBackgroundFolder, DlgConfigure::kPickBackgroundId },
    { "Select mask folder", "Mask", KeyPathMask, &AppPaths::m_maskFolder, appdefaults::kMaskFolder,
        DlgConfigure::kPickMaskId },
    { "Select emotion folder", "Emotion", KeyPathEmotion, &AppPaths::m_emotionFolder, appdefaults::kEmotionFolder,
        DlgConfigure::kPickEmotionId },
    { "Select base map folder", "Base map", KeyPathBaseMap, &AppPaths::m_baseMapFolder, appdefaults::kBaseMapFolder,
        DlgConfigure::kPickBaseMapId },
};

const QPoint kFieldPlaces[DlgConfigure::FolderCount]
    = { { 102, 64 }, { 317, 64 }, { 102, 87 }, { 317, 87 }, { 102, 110 }, { 317, 110 } };
const int kFileButtonX[DlgConfigure::FolderCount] = { 21, 86, 151, 236, 301, 366 };

QString configureSection()
{
    return QLatin1String(kSettingKeys[KeyConfigure]);
}

QLineEdit* field(QWidget* parent, int id, QRect r, bool readOnly, const QString& name)
{
    auto* e = new QLineEdit(parent);
    e->setGeometry(r);
    e->setFrame(false);
    e->setReadOnly(readOnly);
    e->setFont(theme::captionFont(12));
    e->setAlignment(readOnly ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
    // The field's body is in the background art; focus shows as a marigold line round it.
    e->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; color: #FFFFFF; border: 1px solid "
                                    "transparent; border-radius: 4px; padding: 0 3px; }"
                                    "QLineEdit:focus { border: 1px solid #FFC857; }"));
    e->setAccessibleName(name);
    platform::setControlId(e, id);
    return e;
}

CButtonST* twoState(QWidget* parent, int id, QRect r, const QString& text, bool radio)
{
    auto* b = new CButtonST(parent);
    b->setCheckable(true);
    if (radio)
        b->SetCheckImages(skin::kRadioOff, skin::kRadioOn);
    else
        b->SetCheckImages(skin::kCheckOff, skin::kCheckOn);
    b->DrawTransparent(true);
    b->SetFlat(true);
    for (int slot : { CButtonST::ColorFgIn, CButtonST::ColorFgOut, CButtonST::ColorFgFocus })
        b->SetColor(slot, QColor(theme::kPaper));
    b->setFont(theme::captionFont(13));
    b->setText(text);
    b->setGeometry(r);
    b->setFocusPolicy(Qt::StrongFocus);
    b->setAccessibleName(text);
    platform::setControlId(b, id);
    return b;
}

CxSkinButton* skinButton(QWidget* parent, int id, const QString& text, int width, bool primary, QPoint at)
{
    using namespace skin;
    auto* b = new CxSkinButton(parent);
    if (width >= 80)
        b->SetSkin(kButton80Normal, kButton80Down, kButton80Over, kButton80Disabled, kButton80Focus, kButton80Mask);
    else if (width >= 70 && primary)
        b->SetSkin(
            kPrimary70Normal, kPrimary70Down, kPrimary70Over, kPrimary70Disabled, kPrimary70Focus, kButton70Mask);
    else if (width >= 70)
        b->SetSkin(kButton70Normal, kButton70Down, kButton70Over, kButton70Disabled, kButton70Focus, kButton70Mask);
    else
        b->SetSkin(kButton60Normal, kButton60Down, kButton60Over, kButton60Disabled, kButton60Focus, kButton60Mask);
    b->setText(text);
    b->setFont(theme::captionFont(13, primary));
    b->SetTextColor(QColor(theme::kPaper));
    b->move(at);
    b->setFocusPolicy(Qt::StrongFocus);
    b->setAccessibleName(text);
    platform::setControlId(b, id);
    return b;
}

CButtonST* faceButton(QWidget* parent, int id, const QString& text, QRect r, const QString& tip)
{
    auto* b = new CButtonST(parent);
    b->SetFace(QColor(theme::kSlate), QColor(theme::kSlateOver), QColor(theme::kSlateDown));
    b->DrawTransparent(true);
    for (int slot : { CButtonST::ColorFgIn, CButtonST::ColorFgOut, CButtonST::ColorFgFocus })
        b->SetColor(slot, QColor(theme::kPaper));
    b->setFont(theme::captionFont(13, true));
    b->setText(text);
    b->setGeometry(r);
    b->setFocusPolicy(Qt::StrongFocus);
    b->SetToolTipText(tip);
    b->setAccessibleName(tip);
    platform::setControlId(b, id);
    return b;
}

SkStatic* label(QWidget* parent, const QString& text, QRect r, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter,
    QRgb colour = theme::kPaper)
{
    auto* l = new SkStatic(text, parent);
    l->setFont(theme::captionFont(13));
    l->setTextColor(QColor(colour));
    l->setAlignment(align);
    l->setGeometry(r);
    return l;
}

enum class CopyResult { Copied, NameTaken, Failed };

/// Copies src to dst, never replacing an existing dst and never leaving a half file under its
/// name: the bytes go to a temporary file in dst's folder, are flushed to disk, and the temporary
/// is then linked to dst, which fails when the name is already taken.
CopyResult copyWithoutReplacing(const QString& src, const QString& dst, QString* error)
{
    if (QFileInfo::exists(dst))
        return CopyResult::NameTaken;
    QFile in(src);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = in.errorString();
        return CopyResult::Failed;
    }
    QByteArray tmpl = QFile::encodeName(QFileInfo(dst).absolutePath() + QStringLiteral("/.import-XXXXXX"));
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return CopyResult::Failed;
    }
    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(tmpl.constData());
        *error = QString::fromLocal8Bit(std::strerror(err));
        return CopyResult::Failed;
    };
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0) {
            ::close(fd);
            ::unlink(tmpl.constData());
            *error = in.errorString();
            return CopyResult::Failed;
        }
        if (n == 0)
            break;
        for (qint64 done = 0; done < n;) {
            const ssize_t w = ::write(fd, buffer + done, size_t(n - done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return fail(errno);
            }
            done += w;
        }
    }
    if (::fsync(fd) != 0)
        return fail(errno);
    ::fchmod(fd, 0644);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmpl.constData());
        *error = QString::fromLocal8Bit(std::strerror(err));
        return CopyResult::Failed;
    }
    const int linked = ::link(tmpl.constData(), QFile::encodeName(dst).constData());
    const int err = errno;
    ::unlink(tmpl.constData());
    if (linked == 0)
        return CopyResult::Copied;
    if (err == EEXIST)
        return CopyResult::NameTaken;
    *error = QString::fromLocal8Bit(std::strerror(err));
    return CopyResult::Failed;
}

} // namespace

DlgConfigure::DlgConfigure(BoothSettings& settings, AppPaths& paths, platform::Prompts& prompts, QWidget* parent)
    : SkinDialog(parent)
    , m_settings(settings)
    , m_paths(paths)
    , m_prompts(prompts)
{
    setWindowTitle(QStringLiteral("Settings"));
    setSkinBackground(skin::kConfigureBackground, QSize(500, 510));
    createControls();
}

void DlgConfigure::createControls()
{
    // Created in the order the keyboard walks them.
    const char* names[FolderCount] = { "Frame folder", "Portrait folder", "Background folder", "Mask folder",
        "Emotion folder", "Base map folder" };
    for (int i = 0; i < FolderCount; ++i) {
        const QPoint at = kFieldPlaces[i];
        m_folderFields[i] = field(this, kFrameFolderId + i, QRect(at, QSize(118, 18)), true, QLatin1String(names[i]));
        m_folderFields[i]->setFocusPolicy(Qt::NoFocus);
        auto* pick = faceButton(this, kFolders[i].pickerId, QStringLiteral("..."), QRect(at.x() + 121, at.y(), 24, 20),
            QLatin1String(kFolders[i].title));
        connect(pick, &QAbstractButton::clicked, this, [this, i] { OnPickFolder(i); });
    }

    m_importMode = twoState(this, kImportModeId, QRect(123, 164, 16, 16), {}, true);
    m_importMode->setAccessibleName(QStringLiteral("Import"));
    m_importMode->setAccessibleDescription(QStringLiteral("The buttons below copy pictures into the folder"));
    m_removeMode = twoState(this, kRemoveModeId, QRect(332, 164, 16, 16), {}, true);
    m_removeMode->setAccessibleName(QStringLiteral("Remove"));
    m_removeMode->setAccessibleDescription(QStringLiteral("The buttons below delete pictures from the folder"));
    m_importMode->SetCheck(true);
    connect(m_importMode, &QAbstractButton::clicked, this, [this] { OnFileMode(kImportModeId); });
    connect(m_removeMode, &QAbstractButton::clicked, this, [this] { OnFileMode(kRemoveModeId); });
    for (int i = 0; i < FolderCount; ++i) {
        const QString text = QLatin1String(kFolders[i].button);
        auto* b = skinButton(
            this, kFilesFrameId + i, text, i == BackgroundFolder ? 80 : 60, false, QPoint(kFileButtonX[i], 190));
        b->setAccessibleDescription(QStringLiteral("Import into or remove from the %1").arg(QLatin1String(names[i])));
        connect(b, &QAbstractButton::clicked, this, [this, i] { OnFiles(i); });
    }

    m_countdown = field(this, kCountdownId, QRect(104, 229, 37, 17), false, QStringLiteral("Countdown in seconds"));
    m_printWidth = field(this, kPrintWidthId, QRect(167, 269, 40, 17), false, QStringLiteral("Print width"));
    m_printHeight = field(this, kPrintHeightId, QRect(228, 269, 40, 17), false, QStringLiteral("Print height"));
    m_alpha = field(this, kAlphaId, QRect(124, 302, 36, 17), false, QStringLiteral("Frame opacity, 0 to 255"));
    label(this, QStringLiteral("Idle screen after"), QRect(16, 335, 124, 17), Qt::AlignRight | Qt::AlignVCenter);
    label(
        this, QStringLiteral("s (0 = off)"), QRect(190, 335, 80, 17), Qt::AlignLeft | Qt::AlignVCenter, theme::kMuted);
    m_attractIdle = field(
        this, kAttractIdleId, QRect(144, 335, 42, 17), false, QStringLiteral("Idle screen after seconds, 0 = off"));
    for (QLineEdit* e : { m_countdown, m_printWidth, m_printHeight, m_alpha, m_attractIdle })
        e->setMaxLength(6);
    // The art draws the bodies of the other fields; this one is drawn the same way here.
    m_attractIdle->setStyleSheet(QStringLiteral(
        "QLineEdit { background: #14182E; color: #FFFFFF; border: 1px solid rgba(255,255,255,28); border-radius: "
        "4px; padding: 0 3px; } QLineEdit:focus { border: 1px solid #FFC857; }"));

    m_autoChangeFrame = twoState(
        this, kAutoChangeFrameId, QRect(290, 228, 196, 22), QStringLiteral("New frame after each shot"), false);
    connect(m_autoChangeFrame, &QAbstractButton::clicked, this, [this] { OnAutoChangeFrame(); });
    m_kiosk = twoState(this, kKioskId, QRect(290, 258, 196, 22), QStringLiteral("Kiosk mode for guests"), false);
    m_kiosk->setAccessibleDescription(QStringLiteral("Full screen; leaving and the settings need the operator PIN"));
    connect(m_kiosk, &QAbstractButton::clicked, this, [this] { OnKiosk(); });
    label(this, QStringLiteral("Shoot key"), QRect(290, 290, 70, 18));
    m_shootKey = new SkComboBox(this);
    m_shootKey->setGeometry(362, 289, 122, 20);
    for (const auto& [text, value] : shootKeyChoices())
        m_shootKey->addItem(text, value);
    m_shootKey->setAccessibleName(QStringLiteral("Shoot key"));
    m_shootKey->setToolTip(QStringLiteral("The key (or push button) that starts a shot while the camera runs"));
    platform::setControlId(m_shootKey, kShootKeyId);
    auto* pin = faceButton(this, kPinId, QStringLiteral("Operator PIN\u2026"), QRect(362, 318, 122, 24),
        QStringLiteral("Set the operator PIN"));
    pin->setFont(theme::captionFont(13));
    connect(pin, &QAbstractButton::clicked, this, [this] { OnSetPin(); });

    m_guestPaper = new SkComboBox(this);
    m_guestPaper->setGeometry(104, 362, 130, 20);
    for (const PhotoPaperName& paper : kPhotoPaperNames)
        m_guestPaper->addItem(QString::fromUtf8(paper.text), QString::fromLatin1(paper.key));
    m_guestPaper->setAccessibleName(QStringLiteral("Guest print"));
    m_guestPaper->setToolTip(
        QStringLiteral("In kiosk mode the Print button prints the sheet on this paper at once, without a dialog"));
    platform::setControlId(m_guestPaper, kGuestPaperId);
    m_guestCopies = field(this, kGuestCopiesId, QRect(244, 363, 30, 17), false, QStringLiteral("Guest print copies"));
    m_maxPrints = field(this, kMaxPrintsId, QRect(444, 363, 36, 17), false,
        QStringLiteral("Prints per sheet in kiosk mode, 0 = guests cannot print"));
    m_guestCopies->setMaxLength(2);
    m_maxPrints->setMaxLength(2);
    // The phone gallery: guests open their sheets by a QR code on the booth's network.
    m_shareGallery
        = twoState(this, kShareGalleryId, QRect(16, 400, 176, 22), QStringLiteral("Share with phones"), false);
    m_shareGallery->setAccessibleDescription(
        QStringLiteral("Guests download their sheets by scanning a code; the booth serves them on the local network"));
    label(this, QStringLiteral("Port"), QRect(196, 402, 36, 18), Qt::AlignRight | Qt::AlignVCenter);
    m_sharePort = field(this, kSharePortId, QRect(236, 402, 50, 18), false, QStringLiteral("Gallery port"));
    m_sharePort->setMaxLength(5);
    m_sharePort->setToolTip(QStringLiteral("The port phones connect to (8080 unless it is taken)"));
    label(this, QStringLiteral("Address"), QRect(292, 402, 62, 18), Qt::AlignRight | Qt::AlignVCenter);
    m_shareBind = field(this, kShareBindId, QRect(358, 402, 126, 18), false, QStringLiteral("Gallery address"));
    m_shareBind->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_shareBind->setMaxLength(kMaxShareBindLength);
    m_shareBind->setPlaceholderText(QStringLiteral("all"));
    m_shareBind->setToolTip(QStringLiteral(
        "\"all\" for every network, or one address or network interface (for example wlan0) of this computer"));

    m_sharePrintCode
        = twoState(this, kSharePrintCodeId, QRect(16, 430, 300, 22), QStringLiteral("QR code on photo prints"), false);
    m_sharePrintCode->setAccessibleDescription(QStringLiteral(
        "Photo prints carry the sheet's link as a small code in a corner, beside the pictures; needs sharing on"));

    auto* def = skinButton(this, kDefaultId, QStringLiteral("Default"), 70, false, QPoint(16, 474));
    def->setAccessibleDescription(QStringLiteral("Restore every default value and save"));
    auto* apply = skinButton(this, kApplyId, QStringLiteral("Apply"), 70, true, QPoint(334, 474));
    apply->setAccessibleDescription(QStringLiteral("Store the values and save them"));
    auto* close = skinButton(this, kCloseId, QStringLiteral("Close"), 70, false, QPoint(414, 474));
    connect(def, &QAbstractButton::clicked, this, [this] { OnDefault(); });
    connect(apply, &QAbstractButton::clicked, this, [this] { OnApply(); });
    connect(close, &QAbstractButton::clicked, this, [this] { done(kCloseId); });

    auto* x = new CxSkinButton(this);
    x->SetSkin(skin::kCloseNormal, skin::kCloseOver, skin::kCloseOver, 0, 0, 0, 1, 0, 0);
    x->setGeometry(468, 2, 25, 25);
    x->setFocusPolicy(Qt::NoFocus);
    x->SetToolTipText(QStringLiteral("Close"));
    x->setAccessibleName(QStringLiteral("Close"));
    platform::setControlId(x, kCloseButtonId);
    connect(x, &QAbstractButton::clicked, this, [this] { done(kCloseId); });
}

QList<std::pair<QString, QString>> DlgConfigure::shootKeyChoices()
{
    return { { QStringLiteral("Space or Enter"), QStringLiteral("Space;Enter") },
        { QStringLiteral("Space"), QStringLiteral("Space") }, { QStringLiteral("Enter"), QStringLiteral("Enter") },
        { QStringLiteral("Page Down"), QStringLiteral("PgDown") }, { QStringLiteral("F12"), QStringLiteral("F12") } };
}

QString DlgConfigure::folderPickerTitle(int folder)
{
    return folder >= 0 && folder < FolderCount ? QLatin1String(kFolders[folder].title) : QString();
}

QString& DlgConfigure::folderRef(int folder)
{
    return m_paths.*kFolders[folder].member;
}

QString DlgConfigure::folderField(int folder) const
{
    return folder >= 0 && folder < FolderCount ? m_folderFields[folder]->text() : QString();
}

bool DlgConfigure::importMode() const
{
    return m_importMode->GetCheck();
}

int DlgConfigure::exec()
{
    initialise();
    centreOnParent();
    return SkinDialog::exec();
}

void DlgConfigure::reject()
{
    done(kCloseId);
}

void DlgConfigure::initialise()
{
    // Values edited in the file since start are taken over.
    m_settings.LoadSettingsAtStartup(m_paths);
    fillFields();
}

void DlgConfigure::fillFields()
{
    for (int i = 0; i < FolderCount; ++i) {
        m_folderFields[i]->setText(folderRef(i));
        m_folderFields[i]->end(false);
        m_folderFields[i]->setToolTip(folderRef(i));
    }
    m_countdown->setText(QString::number(m_settings.m_shottingDelay));
    m_printWidth->setText(QString::number(m_settings.m_printWidth));
    m_printHeight->setText(QString::number(m_settings.m_printHeight));
    m_alpha->setText(QString::number(m_settings.m_alpha));
    m_attractIdle->setText(QString::number(m_settings.m_attractIdle));
    m_autoChangeFrame->SetCheck(m_settings.m_autoChangeFrame == 1);
    m_kiosk->SetCheck(m_settings.m_kiosk == 1);
    int key = m_shootKey->findData(m_settings.m_shootKey);
    if (key < 0) {
        // A key written into the file by hand is kept and offered as it is.
        m_shootKey->addItem(m_settings.m_shootKey, m_settings.m_shootKey);
        key = m_shootKey->count() - 1;
    }
    m_shootKey->setCurrentIndex(key);
    m_guestPaper->setCurrentIndex(std::max(0, m_guestPaper->findData(m_settings.m_kioskPrintPaper)));
    m_guestCopies->setText(QString::number(m_settings.m_kioskPrintCopies));
    m_maxPrints->setText(QString::number(m_settings.m_maxPrintsPerSheet));
    m_shareGallery->SetCheck(m_settings.m_shareGallery == 1);
    m_sharePort->setText(QString::number(m_settings.m_sharePort));
    m_shareBind->setText(m_settings.m_shareBind);
    m_sharePrintCode->SetCheck(m_settings.m_sharePrintCode == 1);
}

void DlgConfigure::OnPickFolder(int folder)
{
    if (folder < 0 || folder >= FolderCount)
        return;
    const QString chosen = m_prompts.pickFolder(this, folderPickerTitle(folder), m_paths.m_currentFolder);
    if (chosen.isEmpty())
        return;
    AppToolkit::NoteChosenFolder(chosen);
    folderRef(folder) = chosen;
    m_paths.m_currentFolder = chosen;
    m_folderFields[folder]->setText(chosen);
    m_folderFields[folder]->end(false);
    m_folderFields[folder]->setToolTip(chosen);
    const QString& file = m_paths.m_settingsFile;
    QString error;
    bool ok = platform::IniFile::writeString(
        file, configureSection(), QLatin1String(kSettingKeys[kFolders[folder].key]), chosen, &error);
    ok = platform::IniFile::writeString(
             file, configureSection(), QLatin1String(kSettingKeys[KeyPathCurrent]), chosen, ok ? &error : nullptr)
        && ok;
    if (!AppToolkit::MakeFolders(chosen))
        m_prompts.messageBox(this, QStringLiteral("The folder %1 could not be created.").arg(chosen),
            platform::MbOk | platform::MbIconWarning);
    if (!ok)
        m_prompts.messageBox(this, QStringLiteral("The settings could not be written.\n%1").arg(error),
            platform::MbOk | platform::MbIconWarning);
}

void DlgConfigure::OnFileMode(int pressedId)
{
    // Each press sets the other button to the opposite state.
    if (pressedId == kImportModeId)
        m_removeMode->SetCheck(!m_importMode->GetCheck());
    else if (pressedId == kRemoveModeId)
        m_importMode->SetCheck(!m_removeMode->GetCheck());
}

void DlgConfigure::OnFiles(int folder)
{
    if (folder < 0 || folder >= FolderCount)
        return;
    const QString target = folderRef(folder);
    platform::OpenFilesRequest request;
    request.filter = QStringLiteral("Support files|*.bmp;*.jpg||");
    request.defaultExtension = QStringLiteral("*.*");
    request.selectionLabel = QStringLiteral("Selected:");
    request.multiple = true;
    if (importMode()) {
        request.title = QStringLiteral("Import");
        request.acceptLabel = QStringLiteral("Import");
        request.startFolder = m_paths.m_currentFolder;
        importFiles(target, m_prompts.openFiles(this, request));
    } else {
        request.title = QStringLiteral("Remove");
        request.acceptLabel = QStringLiteral("Remove");
        request.startFolder = target;
        removeFiles(m_prompts.openFiles(this, request));
    }
}

void DlgConfigure::importFiles(const QString& folder, const QStringList& files)
{
    m_skipped.clear();
    if (files.isEmpty())
        return;
    if (folder.isEmpty() || !AppToolkit::MakeFolders(folder)) {
        m_skipped = files;
        m_prompts.messageBox(this, QStringLiteral("The folder %1 cannot be used; nothing was imported.").arg(folder),
            platform::MbOk | platform::MbIconWarning);
        return;
    }
    QStringList taken, failed;
    for (const QString& src : files) {
        const QString name = QFileInfo(src).fileName();
        const QString dst = folder + QLatin1Char('/') + name;
        if (QFileInfo(src).absoluteFilePath() == QFileInfo(dst).absoluteFilePath()) {
            taken.append(name);
            continue;
        }
        QString error;
        switch (copyWithoutReplacing(src, dst, &error)) {
        case CopyResult::Copied:
            break;
        case CopyResult::NameTaken:
            taken.append(name);
            break;
        case CopyResult::Failed:
            failed.append(QStringLiteral("%1 (%2)").arg(name, error));
            break;
        }
    }
    m_skipped = taken + failed;
    if (m_skipped.isEmpty())
        return;
    QString text;
    if (!taken.isEmpty())
        text += QStringLiteral("These files were not imported because the folder already has a file of that name:\n%1")
                    .arg(taken.join(QLatin1Char('\n')));
    if (!failed.isEmpty()) {
        if (!text.isEmpty())
            text += QStringLiteral("\n\n");
        text += QStringLiteral("These files could not be copied:\n%1").arg(failed.join(QLatin1Char('\n')));
    }
    m_prompts.messageBox(this, text, platform::MbOk | platform::MbIconWarning);
}

void DlgConfigure::removeFiles(const QStringList& files)
{
    m_skipped.clear();
    QStringList failed;
    for (const QString& path : files) {
        QFile f(path);
        if (!f.remove())
            failed.append(QStringLiteral("%1 (%2)").arg(QFileInfo(path).fileName(), f.errorString()));
    }
    m_skipped = failed;
    if (!failed.isEmpty())
        m_prompts.messageBox(this,
            QStringLiteral("These files could not be removed:\n%1").arg(failed.join(QLatin1Char('\n'))),
            platform::MbOk | platform::MbIconWarning);
}

int DlgConfigure::readNumber(QLineEdit* field, int max) const
{
    return std::clamp(platform::parseDecimal(field->text()), 0, max);
}

void DlgConfigure::OnApply()
{
    m_settings.m_shottingDelay = readNumber(m_countdown, kMaxCountdown);
    for (int i = 0; i < FolderCount; ++i)
        folderRef(i) = m_folderFields[i]->text();
    m_settings.m_printWidth = readNumber(m_printWidth, kMaxPrintSize);
    m_settings.m_printHeight = readNumber(m_printHeight, kMaxPrintSize);
    m_settings.m_autoChangeFrame = m_autoChangeFrame->GetCheck() ? 1 : 0;
    m_settings.m_alpha = readNumber(m_alpha, kMaxAlpha);
    m_settings.m_attractIdle = readNumber(m_attractIdle, kMaxAttractIdle);
    m_settings.m_kiosk = m_kiosk->GetCheck() ? 1 : 0;
    m_settings.m_shootKey = m_shootKey->currentData().toString();
    m_settings.m_kioskPrintPaper = m_guestPaper->currentData().toString();
    m_settings.m_kioskPrintCopies = std::max(1, readNumber(m_guestCopies, kMaxPrintCopies));
    m_settings.m_maxPrintsPerSheet = readNumber(m_maxPrints, kMaxPrintsPerSheet);
    m_settings.m_shareGallery = m_shareGallery->GetCheck() ? 1 : 0;
    // Port 0 would mean "any port", which no phone could be told in advance.
    m_settings.m_sharePort = std::max(1, readNumber(m_sharePort, kMaxPort));
    const QString bind = m_shareBind->text().trimmed();
    m_settings.m_shareBind = bind.isEmpty() ? QString::fromLatin1(kDefaultShareBind) : bind;
    m_settings.m_sharePrintCode = m_sharePrintCode->GetCheck() ? 1 : 0;
    saveAndReport(true);
    // The fields show what was stored, so a clamped number is seen as it now is.
    fillFields();
}

void DlgConfigure::OnDefault()
{
    m_settings.m_shottingDelay = 3;
    for (int i = 0; i < FolderCount; ++i)
        folderRef(i) = m_paths.defaultResourceFolder(kFolders[i].defaultName);
    m_settings.m_printWidth = 364;
    m_settings.m_printHeight = 274;
    m_settings.m_autoChangeFrame = 1;
    m_settings.m_alpha = 255;
    fillFields();
    saveAndReport(false);
}

void DlgConfigure::saveAndReport(bool withKiosk)
{
    QString error;
    bool ok = m_settings.SaveSettings(m_paths, &error);
    if (withKiosk) {
        ok = m_settings.SaveKioskSettings(m_paths.m_settingsFile, ok ? &error : nullptr) && ok;
        ok = m_settings.SaveShareSettings(m_paths.m_settingsFile, ok ? &error : nullptr) && ok;
    }
    if (!ok)
        m_prompts.messageBox(this,
            QStringLiteral("The settings could not be written.\n%1\nThey apply until the booth is closed.").arg(error),
            platform::MbOk | platform::MbIconWarning);
}

void DlgConfigure::OnAutoChangeFrame()
{
    m_settings.m_autoChangeFrame = m_autoChangeFrame->GetCheck() ? 1 : 0;
}

void DlgConfigure::OnKiosk()
{
    const bool on = m_kiosk->GetCheck();
    if (on && m_settings.m_operatorPin.trimmed().isEmpty()) {
        // Without a PIN a guest could leave kiosk mode: the PIN comes first.
        if (!SetUpOperatorPin(this, m_settings, m_paths.m_settingsFile, m_prompts, KioskPinQuestion())) {
            m_prompts.messageBox(this,
                QStringLiteral("Kiosk mode was not switched on: it needs an operator PIN, and none was set."),
                platform::MbOk | platform::MbIconInformation);
            m_kiosk->SetCheck(false);
            return;
        }
    }
    m_settings.m_kiosk = on ? 1 : 0;
    emit kioskChanged(on);
}

void DlgConfigure::OnSetPin()
{
    SetUpOperatorPin(this, m_settings, m_paths.m_settingsFile, m_prompts);
}
