// DlgThumNail: start-up, entries with the recent list, paging, search and the click choice.
#include "output/dlg_thum_nail.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>

#include "app/app_paths.h"
#include "app/app_toolkit.h"
#include "app/booth_settings.h"
#include "output/thumbnail_button.h"
#include "output/thumbnail_loader.h"
#include "platform/control_id.h"
#include "platform/prompts.h"
#include "skin/cx_skin_button.h"
#include "skin/skin_buttons.h"
#include "skin/skin_resources.h"
#include "skin/skin_theme.h"
#include "skin/sk_static.h"

namespace {

QString withSlash(QString folder)
{
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

bool samePath(const QString& a, const QString& b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

CxSkinButton* textButton(QWidget* parent, int id, const QString& text, bool primary, QRect r)
{
    return skin::MakeTextButton(parent, id, text, primary, r, 70);
}

} // namespace

DlgThumNail::DlgThumNail(const QString& folder, QWidget* parent, int listKind)
    : SkinDialog(parent)
    , m_folder(withSlash(folder))
    , m_listKind(listKind)
    , m_loader(new ThumbnailLoader(this))
{
    using namespace skin;
    setWindowTitle(QStringLiteral("Choose a picture"));
    setSkinBackground(kThumbnailBackground, QSize(698, 536));

    skin::MakeImageButton(
        this, kFirstPageId, kPageFirstNormal, kPageFirstOver, QRect(497, 457, 45, 29), QStringLiteral("First page"));
    skin::MakeImageButton(this, kPreviousPageId, kPagePreviousNormal, kPagePreviousOver, QRect(546, 457, 45, 29),
        QStringLiteral("Previous page"));
    skin::MakeImageButton(
        this, kNextPageId, kPageNextNormal, kPageNextOver, QRect(595, 457, 45, 29), QStringLiteral("Next page"));
    skin::MakeImageButton(
        this, kLastPageId, kPageLastNormal, kPageLastOver, QRect(642, 457, 45, 29), QStringLiteral("Last page"));
    skin::MakeImageButton(
        this, kSearchId, kSearchNormal, kSearchOver, QRect(320, 461, 25, 22), QStringLiteral("Search"));
    skin::MakeImageButton(this, kCloseId, kCloseNormal, kCloseOver, QRect(664, 1, 25, 25), QStringLiteral("Close"));
    textButton(this, kOkId, QStringLiteral("O k"), true, QRect(533, 496, 70, 23));
    textButton(this, kCancelId, QStringLiteral("Cancel"), false, QRect(613, 496, 70, 23));

    m_pageLabel = new SkStatic(this);
    m_pageLabel->setGeometry(12, 465, 240, 18);
    m_pageLabel->setTextColor(QColor(theme::kPaper));
    m_pageLabel->setFont(theme::captionFont(13));
    platform::setControlId(m_pageLabel, kPageLabelId);

    m_searchText = new QLineEdit(this);
    m_searchText->setGeometry(241, 463, 74, 18);
    m_searchText->setFrame(false);
    m_searchText->setPlaceholderText(QStringLiteral("file name"));
    m_searchText->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; color: #F6F1E9; }"));
    platform::setControlId(m_searchText, kSearchTextId);

    auto bind = [this](int id, auto slot) {
        connect(platform::findControl<CxSkinButton>(this, id), &QAbstractButton::clicked, this, slot);
    };
    bind(kFirstPageId, [this] { firstPage(); });
    bind(kPreviousPageId, [this] { previousPage(); });
    bind(kNextPageId, [this] { nextPage(); });
    bind(kLastPageId, [this] { lastPage(); });
    bind(kSearchId, [this] { search(m_searchText->text()); });
    bind(kOkId, [this] { done(IdOk); });
    bind(kCancelId, [this] { done(IdCancel); });
    bind(kCloseId, [this] { done(IdCancel); });
    connect(m_searchText, &QLineEdit::returnPressed, this, [this] { search(m_searchText->text()); });
    connect(m_loader, &ThumbnailLoader::ready, this, &DlgThumNail::onThumbnail);
}

DlgThumNail::~DlgThumNail()
{
    m_loader->cancelAll();
}

void DlgThumNail::reject()
{
    done(IdCancel);
}

int DlgThumNail::exec()
{
    if (!initialise())
        return IdCancel;
    centreOnParent();
    const int result = SkinDialog::exec();
    return result == IdOk ? IdOk : IdCancel;
}

bool DlgThumNail::initialise()
{
    if (m_initialised)
        return true;
    if (m_folder.isEmpty()) {
        const QString picked = platform::prompts().pickFolder(
            this, QStringLiteral("Select the OutPut Path"), appPaths().m_currentFolder);
        if (picked.isEmpty())
            return false;
        AppToolkit::NoteChosenFolder(picked);
        m_folder = withSlash(picked);
        // Remembered for the next picker; the settings file learns it when the settings are saved.
        appPaths().m_currentFolder = picked;
    }
    m_initialised = true;
    readEntries();
    m_first = 0;
    showPage();
    return true;
}

void DlgThumNail::readEntries()
{
    m_entries.clear();
    // Names keep their true case: the file system is case-sensitive, comparisons are not.
    QDirIterator it(m_folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        if (ThumbnailFormatFromName(name) != 0)
            m_entries.append(m_folder + name);
    }
    // The original platform lists a folder in name order; plain directory order here is hash
    // order, which would scatter a numbered series over the pages.
    m_entries.sort(Qt::CaseInsensitive);
    const char* section = kSettingKeys[m_listKind ? KeyRecentlyPortrait : KeyRecentlyFrame];
    QStringList recent;
    for (int k = 0; k < 20; ++k) {
        const QString value
            = AppToolkit::ReadSettingString(appPaths().m_settingsFile, QLatin1String(section), QString::number(k))
                  .trimmed();
        if (!value.isEmpty())
            recent.append(value);
    }
    for (QString& r : recent) {
        for (int i = int(m_entries.size()) - 1; i >= 0; --i) {
            if (samePath(m_entries[i], r)) {
                // The folder's spelling is the one that opens on a case-sensitive file system.
                r = m_entries.takeAt(i);
                break;
            }
        }
    }
    m_entries = recent + m_entries;
}

int DlgThumNail::pageCount() const
{
    return std::max(1, int((m_entries.size() + kPageSize - 1) / kPageSize));
}

QString DlgThumNail::pageLabel() const
{
    return QStringLiteral("Current page : %1 / %2").arg(m_first / kPageSize + 1).arg(pageCount());
}

QList<CThumbnailButton*> DlgThumNail::buttons() const
{
    QList<CThumbnailButton*> out;
    for (const auto& b : m_buttons)
        if (b)
            out.append(b.data());
    return out;
}

QPoint DlgThumNail::slotPosition(int j)
{
    return QPoint((j % 5) * 132 + 25, (j / 5) * 102 + 42);
}

void DlgThumNail::showPage()
{
    m_loader->cancelAll();
    for (const auto& b : m_buttons)
        delete b.data();
    m_buttons.clear();
    int j = 0;
    for (int i = m_first; i < int(m_entries.size()) && j < kPageSize; ++i) {
        if (m_entries[i].trimmed().isEmpty())
            continue;
        auto* b = new CThumbnailButton(m_entries[i], this);
        b->setGeometry(QRect(slotPosition(j), QSize(120, 90)));
        b->setLoading(true);
        b->show();
        connect(b, &CThumbnailButton::leftClicked, this, &DlgThumNail::onLeftClicked);
        connect(b, &CThumbnailButton::doubleClicked, this, &DlgThumNail::onDoubleClicked);
        m_loader->request(int(m_buttons.size()), m_entries[i],
            QSize(CThumbnailButton::kThumbWidth, CThumbnailButton::kThumbHeight), m_framePreview);
        m_buttons.append(b);
        ++j;
    }
    m_pageLabel->setText(pageLabel());
}

void DlgThumNail::onThumbnail(int tag, const QImage& thumbnail)
{
    if (tag < 0 || tag >= int(m_buttons.size()) || !m_buttons[tag])
        return;
    if (thumbnail.isNull()) {
        // A file that is no picture leaves its place on the page empty.
        delete m_buttons[tag].data();
        return;
    }
    m_buttons[tag]->setThumbnail(thumbnail);
}

void DlgThumNail::waitForThumbnails()
{
    m_loader->waitForDone();
}

void DlgThumNail::firstPage()
{
    m_first = 0;
    showPage();
}

void DlgThumNail::previousPage()
{
    if (m_first == 0)
        return;
    m_first = std::max(0, m_first - kPageSize);
    showPage();
}

void DlgThumNail::nextPage()
{
    if (m_first + kPageSize > int(m_entries.size()) - 1)
        return;
    m_first += kPageSize;
    showPage();
}

void DlgThumNail::lastPage()
{
    m_first = (pageCount() - 1) * kPageSize;
    showPage();
}

void DlgThumNail::search(const QString& text)
{
    const QString target = m_folder + text.trimmed();
    for (int i = 0; i < int(m_entries.size()); ++i) {
        if (samePath(m_entries[i], target)) {
            m_first = i / kPageSize * kPageSize;
            showPage();
            return;
        }
    }
    platform::prompts().messageBox(this, QStringLiteral("  The image do not exist !  "),
        platform::MbOk | platform::MbIconInformation, QStringLiteral("Search image"));
}

void DlgThumNail::onLeftClicked(CThumbnailButton* button)
{
    if (buttons().contains(button))
        m_chosen = button->path();
}

void DlgThumNail::onDoubleClicked(CThumbnailButton* button)
{
    if (!buttons().contains(button))
        return;
    m_chosen = button->path();
    done(IdOk);
}
