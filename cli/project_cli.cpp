// kivra-project commands over the project file and composition model.
#include "cli/project_cli.h"

#include <csignal>
#include <optional>

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QTextStream>
#include <pthread.h>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "booth/combination_slots.h"
#include "booth/composition.h"
#include "booth/project_file.h"
#include "booth/share_content.h"
#include "output/photo_print.h"
#include "output/picture_save.h"
#include "output/print_routine.h"
#include "output/printer_queue.h"
#include "share/gallery_server.h"
#include "share/share_address.h"
#include "share/share_publisher.h"
#include "share/share_table.h"
#include "skin/skin_resources.h"

namespace {

const char* const kUsage
    = "usage: kivra-project info FILE.kivra\n"
      "       kivra-project sheet FILE.kivra OUT\n"
      "       kivra-project compose PHOTO FRAME OUT [--alpha N] [--base PICTURE]\n"
      "       kivra-project print FILE.kivra [--printer NAME] [--size 0..3] [--pages FROM-TO]\n"
      "                     [--copies N] [--even-if-paused]\n"
      "       kivra-project print FILE.kivra --photo 6x4in|7x5in|a5|a4|fit [--printer NAME]\n"
      "                     [--copies N] [--even-if-paused]\n"
      "       kivra-project printers\n"
      "       kivra-project save FILE.kivra OUT [--size 0|1|full] [--backdrop PICTURE]\n"
      "       kivra-project share FILE.kivra [--folder DIR] [--base-url URL]\n"
      "       kivra-project serve [--folder DIR] [--port N] [--bind ADDRESS|INTERFACE|all] [--index]\n";

// --help, also the source of the manual page: help2man reads the sections below.
const char* const kHelp
    = "Usage: kivra-project COMMAND [ARGUMENT...]\n"
      "Reprint or export the sheets of a Kivra Tesselwick project file (*.kivra) without the booth screen.\n"
      "\n"
      "Commands:\n"
      "  info FILE.kivra          Print the sheet's layout, its used slots and the number of records.\n"
      "  sheet FILE.kivra OUT     Write the 364 x 276 sheet of all slots to OUT; the picture format\n"
      "                           follows OUT's extension.\n"
      "  save FILE.kivra OUT [--size 0|1|full] [--backdrop PICTURE]\n"
      "                           Save the sheet over a backdrop as the booth's save dialog does, at\n"
      "                           1024 x 768 (--size 0, the default), 528 x 400 (--size 1) or at full\n"
      "                           resolution from the shots as taken (--size full); the backdrop is\n"
      "                           white paper unless PICTURE is given.\n"
      "  print FILE.kivra [--printer NAME] [--size 0..3] [--pages FROM-TO] [--copies N] [--even-if-paused]\n"
      "                           Print the sheet on the default printer or on NAME: as it is\n"
      "                           (--size 0, the default) or at 320 x 240, 528 x 400 or 1024 x 768\n"
      "                           (1 to 3); only pages FROM to TO; 1 to 10 copies. A paused or\n"
      "                           stopped printer is refused unless --even-if-paused is given.\n"
      "  print FILE.kivra --photo 6x4in|7x5in|a5|a4|fit [--printer NAME] [--copies N] [--even-if-paused]\n"
      "                           Print the full-resolution sheet as a photo: fitted to the paper,\n"
      "                           centred, one page, no label.\n"
      "  printers                 List the printers with their state, state reasons and queued jobs.\n"
      "  share FILE.kivra [--folder DIR] [--base-url URL]\n"
      "                           Publish the sheet and its shots for phones into DIR (the booth's\n"
      "                           Share folder by default); the last line is \"share: URL\".\n"
      "  serve [--folder DIR] [--port N] [--bind ADDRESS|INTERFACE|all] [--index]\n"
      "                           Serve a share folder to phones until interrupted.\n"
      "  compose PHOTO FRAME OUT [--alpha N] [--base PICTURE]\n"
      "                           Compose one shot as the booth does: PHOTO under FRAME with the\n"
      "                           frame's opacity N (0 to 255, default 255), over a white base picture\n"
      "                           or PICTURE.\n"
      "\n"
      "Options:\n"
      "  -h, --help               Show this help and exit.\n"
      "  -v, --version            Show the version and exit.\n";

/// Removes this process's unpacked files whatever way a command ends.
struct TempFolderGuard {
    ~TempFolderGuard() { RemoveProjectTempFolder(); }
};

struct OpenedProject {
    CombinationSlots model;
    int records = 0;
    QString error;
    bool ok = false;
};

void openProject(const QString& path, OpenedProject& project)
{
    // The screen's empty-slot picture, so a frame record that is only that picture (written by
    // earlier versions) is known for what it is.
    const QImage empty = skin::SkinBitmap(skin::kEmptySlot);
    if (!empty.isNull())
        project.model.setEmptySlotPicture(empty);
    QStringList files;
    QString unpackError;
    const bool unpacked = UnpackProject(path, files, &unpackError);
    project.records = int(files.size());
    if (files.isEmpty()) {
        project.error = unpackError;
        return;
    }
    QString restoreError;
    const bool restored = RestoreProjectFromItsSettings(project.model, files, &restoreError);
    QStringList problems;
    if (!unpacked)
        problems << unpackError;
    if (!restored)
        problems << restoreError;
    project.error = problems.join(QLatin1Char('\n'));
    project.ok = unpacked && restored;
}

bool savePicture(const QImage& bitmap, const QString& path, QString* error)
{
    const uint32_t type = CxImage::FormatFromExtension(QFileInfo(path).suffix().toLatin1().constData());
    if (type == CXIMAGE_FORMAT_UNKNOWN) {
        *error = QStringLiteral("%1: the extension names no picture format.").arg(path);
        return false;
    }
    CxImage image;
    if (!ImageFromBitmap(bitmap, image) || !image.Save(QFile::encodeName(path).constData(), type)) {
        *error = QFile::decodeName(SaveFailureText(image, QFile::encodeName(path).constData()).c_str());
        return false;
    }
    return true;
}

bool loadPicture(const QString& path, CxImage& image, QString* error)
{
    if (!image.Load(QFile::encodeName(path).constData(), CXIMAGE_FORMAT_UNKNOWN)) {
        const QString why = QString::fromLatin1(image.GetLastError());
        *error = QStringLiteral("%1 is not a readable picture%2")
                     .arg(path, why.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + why);
        return false;
    }
    return true;
}

int info(const QString& path, QTextStream& out, QTextStream& err)
{
    OpenedProject project;
    openProject(path, project);
    if (!project.ok) {
        err << "kivra-project: " << project.error << "\n";
        return 1;
    }
    QStringList used;
    for (int i : project.model.usedSlots())
        used << QString::number(i);
    out << "layout: " << project.model.layout() << "\n";
    out << "used slots: " << (used.isEmpty() ? QStringLiteral("none") : used.join(QLatin1Char(' '))) << "\n";
    out << "records: " << project.records << "\n";
    return 0;
}

int sheet(const QString& path, const QString& target, QTextStream& err)
{
    OpenedProject project;
    openProject(path, project);
    if (project.records == 0) {
        err << "kivra-project: " << project.error << "\n";
        return 1;
    }
    QString error;
    if (!savePicture(project.model.sheet(), target, &error)) {
        err << "kivra-project: " << error << "\n";
        return 1;
    }
    if (!project.ok) {
        // The sheet holds what could be restored; the damage is still reported as a failure.
        err << "kivra-project: " << project.error << "\n";
        return 1;
    }
    return 0;
}

/// Splits args into options (valueOptions take the next argument, flagOptions none) and positional
/// arguments; false after telling err about a missing value or an unknown option.
bool parseOptions(const QStringList& args, const QStringList& valueOptions, const QStringList& flagOptions,
    QMap<QString, QString>& options, QStringList& positional, QTextStream& err)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (flagOptions.contains(a)) {
            options[a] = QStringLiteral("1");
        } else if (valueOptions.contains(a)) {
            if (i + 1 >= args.size()) {
                err << "kivra-project: " << a << " needs a value\n" << kUsage;
                return false;
            }
            options[a] = args[++i];
        } else if (a.startsWith(QLatin1String("--"))) {
            err << "kivra-project: unknown option " << a << "\n" << kUsage;
            return false;
        } else {
            positional << a;
        }
    }
    return true;
}

/// The whole number given for name; value stays as it is when the option is absent. False, after
/// saying on err what the option takes, when it is not a number from low to high.
bool numberOption(const QMap<QString, QString>& options, const QString& name, int low, int high, int& value,
    QTextStream& err, const char* takes)
{
    if (!options.contains(name))
        return true;
    bool ok = false;
    const int n = options.value(name).toInt(&ok);
    if (!ok || n < low || n > high) {
        err << "kivra-project: " << name << " takes " << takes << "\n";
        return false;
    }
    value = n;
    return true;
}

int compose(const QStringList& args, QTextStream& err)
{
    QMap<QString, QString> options;
    QStringList positional;
    if (!parseOptions(args, { QStringLiteral("--alpha"), QStringLiteral("--base") }, {}, options, positional, err))
        return 2;
    const QString basePath = options.value(QStringLiteral("--base"));
    int alpha = 255;
    if (!numberOption(options, QStringLiteral("--alpha"), 0, 255, alpha, err, "a number from 0 to 255"))
        return 2;
    if (positional.size() != 3) {
        err << kUsage;
        return 2;
    }
    QString error;
    CxImage photo, frame, base;
    if (!loadPicture(positional[0], photo, &error) || !loadPicture(positional[1], frame, &error)
        || (!basePath.isEmpty() && !loadPicture(basePath, base, &error))) {
        err << "kivra-project: " << error << "\n";
        return 1;
    }
    if (basePath.isEmpty()) {
        base.Create(kCanvasWidth, kCanvasHeight, 24);
        base.Clear(255);
    }
    // As the booth does with a chosen photo and its base picture: both at the canvas size.
    CxImage photoSized, baseSized;
    if (!ResampleForBooth(photo, kCanvasWidth, kCanvasHeight, photoSized)
        || !ResampleForBooth(base, kCanvasWidth, kCanvasHeight, baseSized)) {
        err << "kivra-project: the pictures could not be resized\n";
        return 1;
    }
    ComposeInput in;
    in.base = &baseSized;
    in.photo = &photoSized;
    in.frame = &frame;
    in.alpha = alpha;
    ComposeResult result;
    if (!Compose(in, result, &error) || !savePicture(result.composed, positional[2], &error)) {
        err << "kivra-project: " << error << "\n";
        return 1;
    }
    return 0;
}

/// The printed size of the print dialog's size lines 1 to 3; line 0 prints the sheet as it is.
QSize printedSize(int line)
{
    static const QSize kSizes[] = { {}, { 320, 240 }, { 528, 400 }, { 1024, 768 } };
    return line >= 0 && line <= 3 ? kSizes[line] : QSize();
}

bool parseRange(const QString& text, int& from, int& to)
{
    const QStringList parts = text.split(QLatin1Char('-'));
    bool okFrom = false;
    bool okTo = false;
    if (parts.size() == 1) {
        from = to = parts[0].toInt(&okFrom);
        okTo = okFrom;
    } else if (parts.size() == 2) {
        from = parts[0].toInt(&okFrom);
        to = parts[1].toInt(&okTo);
    }
    return okFrom && okTo && from >= 1 && to >= from;
}

int print(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QMap<QString, QString> options;
    QStringList positional;
    if (!parseOptions(args,
            { QStringLiteral("--printer"), QStringLiteral("--size"), QStringLiteral("--photo"),
                QStringLiteral("--pages"), QStringLiteral("--copies") },
            { QStringLiteral("--even-if-paused") }, options, positional, err))
        return 2;
    if (positional.size() != 1) {
        err << kUsage;
        return 2;
    }
    const QString path = positional[0];
    PrintRequest request;
    request.askUser = false;
    request.showMessages = false;
    request.printWhenAttention = options.contains(QStringLiteral("--even-if-paused"));
    request.printer = options.value(QStringLiteral("--printer"));
    int line = 0;
    const bool sizeGiven = options.contains(QStringLiteral("--size"));
    if (!numberOption(options, QStringLiteral("--size"), 0, 3, line, err, "0, 1, 2 or 3"))
        return 2;
    std::optional<PhotoPaper> paper;
    if (options.contains(QStringLiteral("--photo"))) {
        paper = PhotoPaperFromKey(options.value(QStringLiteral("--photo")));
        if (!paper) {
            err << "kivra-project: --photo takes 6x4in, 7x5in, a5, a4 or fit\n";
            return 2;
        }
    }
    if (options.contains(QStringLiteral("--pages"))
        && !parseRange(options.value(QStringLiteral("--pages")), request.fromPage, request.toPage)) {
        err << "kivra-project: --pages takes FROM-TO, e.g. 1-2\n";
        return 2;
    }
    if (!numberOption(options, QStringLiteral("--copies"), 1, 10, request.copies, err, "a number from 1 to 10"))
        return 2;
    if (paper && (sizeGiven || request.fromPage > 0)) {
        err << "kivra-project: --photo prints one page; it goes with neither --size nor --pages\n";
        return 2;
    }
    OpenedProject project;
    openProject(path, project);
    if (!project.ok) {
        err << "kivra-project: " << project.error << "\n";
        return 1;
    }
    const SheetPicture sheetSlots = project.model.sheetPicture();
    if (paper) {
        PhotoPrintRequest photo;
        photo.paper = *paper;
        photo.printer = request.printer;
        photo.copies = request.copies;
        photo.askUser = false;
        photo.showMessages = false;
        photo.printWhenAttention = request.printWhenAttention;
        const PhotoJob job = PreparePhotoPrint(nullptr, sheetSlots.fullResolutionSize(), photo);
        const PrintResult r = job.ready ? SendPhotoPrint(job, sheetSlots) : job.result;
        if (!r.printed) {
            err << "kivra-project: " << (r.error.isEmpty() ? QStringLiteral("nothing was printed") : r.error) << "\n";
            return 1;
        }
        out << "job " << r.jobId << " on " << r.printer << ": " << PhotoPaperText(*paper) << ", picture "
            << job.layout.pixels.width() << " x " << job.layout.pixels.height() << " pixels at "
            << qRound(job.layout.ppi) << " ppi, " << job.copies << " cop" << (job.copies == 1 ? "y" : "ies") << "\n";
        return 0;
    }
    // White paper wherever no slot is.
    QImage sheet = sheetSlots.compose(QSize(SheetPicture::kWidth, SheetPicture::kHeight), QImage(), kPaperWhite);
    if (line > 0)
        sheet = ScaleBitmap(sheet, printedSize(line).width(), printedSize(line).height(), ScaleSmooth);
    const PrintResult r = PrintBitmap(nullptr, sheet, request);
    if (!r.printed) {
        err << "kivra-project: " << (r.error.isEmpty() ? QStringLiteral("nothing was printed") : r.error) << "\n";
        return 1;
    }
    QStringList pages;
    for (int p : r.pages)
        pages << QString::number(p);
    out << "job " << r.jobId << " on " << r.printer << ": page(s) " << pages.join(QLatin1Char(' ')) << " of "
        << r.pageCount << ", " << request.copies << " cop" << (request.copies == 1 ? "y" : "ies") << "\n";
    return 0;
}

int save(const QStringList& args, QTextStream& err)
{
    QMap<QString, QString> options;
    QStringList positional;
    if (!parseOptions(args, { QStringLiteral("--size"), QStringLiteral("--backdrop") }, {}, options, positional, err))
        return 2;
    const QString backdropPath = options.value(QStringLiteral("--backdrop"));
    int line = 0;
    if (options.contains(QStringLiteral("--size"))) {
        const QString v = options.value(QStringLiteral("--size"));
        bool ok = false;
        const bool full = v.compare(QLatin1String("full"), Qt::CaseInsensitive) == 0;
        line = full ? kSaveLineFull : v.toInt(&ok);
        if (!full && (!ok || (line != 0 && line != 1))) {
            err << "kivra-project: --size takes 0 (1024 x 768), 1 (528 x 400) or full (the shots' full "
                   "resolution)\n";
            return 2;
        }
    }
    if (positional.size() != 2) {
        err << kUsage;
        return 2;
    }
    OpenedProject project;
    openProject(positional[0], project);
    if (!project.ok) {
        err << "kivra-project: " << project.error << "\n";
        return 1;
    }
    // As the save dialog starts: on white paper unless a backdrop is given.
    QImage backdrop;
    if (!backdropPath.isEmpty()) {
        CxImage loaded;
        QString error;
        if (!loadPicture(backdropPath, loaded, &error)) {
            err << "kivra-project: " << error << "\n";
            return 1;
        }
        backdrop = BitmapFromImage(loaded);
    }
    QString error;
    const QImage picture = SaveComposite(project.model.sheetPicture(), backdrop, line);
    if (picture.isNull()) {
        err << "kivra-project: " << positional[1] << ": the picture could not be made (not enough memory)\n";
        return 1;
    }
    if (!SavePictureFile(picture, positional[1], &error)) {
        err << "kivra-project: " << error << "\n";
        return 1;
    }
    return 0;
}

int printers(QTextStream& out, QTextStream& err)
{
    QString error;
    const QList<PrinterHealth> list = ListPrinters(&error);
    if (!error.isEmpty()) {
        err << "kivra-project: the print server cannot be asked: " << error << "\n";
        return 1;
    }
    if (list.isEmpty())
        out << "no printers\n";
    for (const PrinterHealth& p : list) {
        out << p.name << " " << p.stateName();
        if (!p.reasons.isEmpty())
            out << " " << p.reasons.join(QLatin1Char(','));
        out << " jobs=" << p.queuedJobs;
        if (!p.acceptingJobs)
            out << " refusing";
        if (p.isDefault)
            out << " default";
        out << "\n";
    }
    return 0;
}

/// Splits args into "--name value" options (names in valueOptions), flags (in flagOptions) and
/// positional arguments. False with a usage message on an unknown option or a missing value.
QString defaultShareFolder()
{
    return SharePublisher::shareFolderOf(appdefaults::defaultSaveFolder());
}

int shareCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QMap<QString, QString> options;
    QStringList positional;
    if (!parseOptions(args, { QStringLiteral("--folder"), QStringLiteral("--base-url") }, {}, options, positional, err))
        return 2;
    if (positional.size() != 1) {
        err << kUsage;
        return 2;
    }
    QString base = options.value(QStringLiteral("--base-url"));
    if (base.isEmpty()) {
        const ShareAddress address = ResolveShareBind(QString::fromLatin1(kDefaultShareBind));
        base = ShareBaseUrl(address.urlHost, kDefaultSharePort);
    } else if (!(base.startsWith(QLatin1String("http://")) || base.startsWith(QLatin1String("https://")))
        || base.contains(QLatin1Char(' ')) || base.contains(QLatin1Char('?')) || base.contains(QLatin1Char('#'))) {
        err << "kivra-project: --base-url takes an address like http://192.168.1.20:8080\n";
        return 2;
    }
    OpenedProject project;
    openProject(positional[0], project);
    if (!project.ok) {
        err << "kivra-project: " << project.error << "\n";
        return 1;
    }
    if (project.model.usedSlots().isEmpty()) {
        err << "kivra-project: " << positional[0] << " has no shots to share\n";
        return 1;
    }
    const QString folder = options.value(QStringLiteral("--folder"), defaultShareFolder());
    const PublishResult r = SharePublisher::publish(folder, ShareContentOf(project.model));
    if (!r.ok) {
        err << "kivra-project: " << r.error << "\n";
        return 1;
    }
    if (!r.warning.isEmpty())
        err << "kivra-project: " << r.warning << " (the damaged table is kept as "
            << QLatin1String(share::ShareTable::kDamagedCopyName) << ")\n";
    out << "sheet: " << r.folder << "\n";
    out << "share: " << ShareLinkUrl(base, r.token) << "\n";
    return 0;
}

int serveCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QMap<QString, QString> options;
    QStringList positional;
    if (!parseOptions(args, { QStringLiteral("--folder"), QStringLiteral("--port"), QStringLiteral("--bind") },
            { QStringLiteral("--index") }, options, positional, err))
        return 2;
    if (!positional.isEmpty()) {
        err << kUsage;
        return 2;
    }
    int port = kDefaultSharePort;
    if (!numberOption(
            options, QStringLiteral("--port"), 0, 65535, port, err, "a number from 1 to 65535 (0: any free port)"))
        return 2;
    const QString folder = options.value(QStringLiteral("--folder"), defaultShareFolder());
    if (!QFileInfo(folder).isDir()) {
        err << "kivra-project: " << folder << " is not a folder; nothing has been shared there yet\n";
        return 1;
    }
    const ShareAddress address = ResolveShareBind(options.value(QStringLiteral("--bind"), QStringLiteral("all")));
    if (!address.ok) {
        err << "kivra-project: " << address.error << "\n";
        return 1;
    }
    const bool index = options.contains(QStringLiteral("--index"));
    QString indexToken;
    if (index) {
        share::ShareTable table;
        const share::ShareTable::LoadResult loaded = table.load(folder.toStdString());
        std::string error;
        if (!loaded.ok
            || (table.indexToken().empty()
                && (!table.ensureIndexToken() || !table.save(folder.toStdString(), &error)))) {
            err << "kivra-project: the event index cannot be made: "
                << QString::fromStdString(loaded.ok ? error : loaded.error) << "\n";
            return 1;
        }
        indexToken = QString::fromStdString(table.indexToken());
    }

    // The server's threads start with SIGINT and SIGTERM blocked, so they reach only sigwait below.
    sigset_t stopSignals, previous;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, &previous);
    share::GalleryServer server;
    share::GalleryConfig config;
    config.shareFolder = QDir(folder).absolutePath().toStdString();
    config.bindAddress = address.bindAddress;
    config.port = uint16_t(port);
    config.index = index;
    std::string error;
    if (!server.start(config, &error)) {
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        err << "kivra-project: the gallery cannot start: " << QString::fromStdString(error) << "\n";
        return 1;
    }
    const QString base = ShareBaseUrl(address.urlHost, server.port());
    out << "serving " << QDir(folder).absolutePath() << " at " << base << "/ (Ctrl+C stops)\n";
    if (index)
        out << "index: " << base << "/i/" << indexToken << "/\n";
    out.flush();
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    out << "stopped\n";
    return 0;
}

} // namespace

int RunKivraProject(const QStringList& args, QTextStream& out, QTextStream& err)
{
    TempFolderGuard guard;
    const QString command = args.value(0);
    if (args.size() == 1 && (command == QLatin1String("--help") || command == QLatin1String("-h"))) {
        out << kHelp;
        return 0;
    }
    if (args.size() == 1 && (command == QLatin1String("--version") || command == QLatin1String("-v"))) {
        out << "kivra-project (" << appdefaults::kProductName << ") " << appdefaults::kVersion << "\n";
        return 0;
    }
    if (command == QLatin1String("info") && args.size() == 2)
        return info(args[1], out, err);
    if (command == QLatin1String("sheet") && args.size() == 3)
        return sheet(args[1], args[2], err);
    if (command == QLatin1String("compose"))
        return compose(args.mid(1), err);
    if (command == QLatin1String("save"))
        return save(args.mid(1), err);
    if (command == QLatin1String("print"))
        return print(args.mid(1), out, err);
    if (command == QLatin1String("share"))
        return shareCommand(args.mid(1), out, err);
    if (command == QLatin1String("serve"))
        return serveCommand(args.mid(1), out, err);
    if (command == QLatin1String("printers") && args.size() == 1)
        return printers(out, err);
    err << kUsage;
    return 2;
}
