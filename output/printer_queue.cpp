// Printer state, waiting jobs, job submission and job state through libcups (IPP requests to the
// server libcups is configured for).
#include "output/printer_queue.h"

#include <memory>

#include <QFile>

#include <cups/cups.h>
#include <cups/ipp.h>

namespace {

struct IppDeleter {
    void operator()(ipp_t* p) const { ippDelete(p); }
};
using IppHandle = std::unique_ptr<ipp_t, IppDeleter>;

const char* const kPrinterAttributes[] = {
    "printer-name",
    "printer-state",
    "printer-state-reasons",
    "printer-state-message",
    "queued-job-count",
    "printer-is-accepting-jobs",
};

QString lastCupsError()
{
    const char* text = cupsLastErrorString();
    return text && *text ? QString::fromUtf8(text) : QStringLiteral("the print server did not answer");
}

QString printerUri(const QString& name)
{
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof(uri), "ipp", nullptr, "localhost", 0, "/printers/%s",
        name.toUtf8().constData());
    return QString::fromUtf8(uri);
}

QStringList reasonsOf(ipp_attribute_t* attr)
{
    QStringList reasons;
    for (int i = 0; attr && i < ippGetCount(attr); ++i) {
        const QString r = QString::fromUtf8(ippGetString(attr, i, nullptr));
        if (!r.isEmpty() && r != QLatin1String("none"))
            reasons << r;
    }
    return reasons;
}

/// Reads one printer's attributes from the group starting at *attr; leaves *attr on the next group.
PrinterHealth healthFrom(ipp_t* response, ipp_attribute_t*& attr)
{
    PrinterHealth h;
    while (attr && ippGetGroupTag(attr) != IPP_TAG_PRINTER)
        attr = ippNextAttribute(response);
    for (; attr && ippGetGroupTag(attr) == IPP_TAG_PRINTER; attr = ippNextAttribute(response)) {
        const char* name = ippGetName(attr);
        if (!name)
            continue;
        const QByteArray n(name);
        if (n == "printer-name")
            h.name = QString::fromUtf8(ippGetString(attr, 0, nullptr));
        else if (n == "printer-state")
            h.state = PrinterState(ippGetInteger(attr, 0));
        else if (n == "printer-state-reasons")
            h.reasons = reasonsOf(attr);
        else if (n == "printer-state-message")
            h.message = QString::fromUtf8(ippGetString(attr, 0, nullptr));
        else if (n == "queued-job-count")
            h.queuedJobs = ippGetInteger(attr, 0);
        else if (n == "printer-is-accepting-jobs")
            h.acceptingJobs = ippGetBoolean(attr, 0) != 0;
    }
    h.found = !h.name.isEmpty();
    if (h.state != PrinterState::Idle && h.state != PrinterState::Printing && h.state != PrinterState::Stopped)
        h.state = PrinterState::Unknown;
    return h;
}

bool blockingReason(const QString& reason)
{
    // Warnings and reports (toner-low-warning) leave the printer usable; these keep jobs waiting.
    static const char* const kBlocking[] = { "paused", "offline", "media-empty", "media-jam", "media-needed",
        "door-open", "cover-open", "shutdown", "stopped", "connecting-to-device", "spool-area-full" };
    if (reason.endsWith(QLatin1String("-error")))
        return true;
    for (const char* b : kBlocking) {
        if (reason == QLatin1String(b) || reason.startsWith(QLatin1String(b) + QLatin1Char('-'))) {
            return !reason.endsWith(QLatin1String("-warning")) && !reason.endsWith(QLatin1String("-report"));
        }
    }
    return false;
}

} // namespace

QString PrinterHealth::stateName() const
{
    switch (state) {
    case PrinterState::Idle:
        return QStringLiteral("idle");
    case PrinterState::Printing:
        return QStringLiteral("printing");
    case PrinterState::Stopped:
        return QStringLiteral("stopped");
    case PrinterState::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

bool PrinterHealth::needsAttention() const
{
    if (!found || state == PrinterState::Stopped || !acceptingJobs)
        return true;
    for (const QString& r : reasons) {
        if (blockingReason(r))
            return true;
    }
    return false;
}

QString PrinterHealth::summary() const
{
    if (!found)
        return QStringLiteral("not found");
    QString s = stateName();
    if (!reasons.isEmpty())
        s += QStringLiteral(" (%1)").arg(reasons.join(QStringLiteral(", ")));
    if (!acceptingJobs)
        s += QStringLiteral(", refusing jobs");
    if (queuedJobs == 0)
        s += QStringLiteral(", no jobs waiting");
    else if (queuedJobs == 1)
        s += QStringLiteral(", 1 job waiting");
    else
        s += QStringLiteral(", %1 jobs waiting").arg(queuedJobs);
    return s;
}

QString PrinterHealth::warning() const
{
    if (!needsAttention())
        return {};
    if (!found)
        return QStringLiteral("The printer \"%1\" cannot be found.").arg(name);
    QString why;
    if (reasons.contains(QLatin1String("paused")))
        why = QStringLiteral("is paused");
    else if (state == PrinterState::Stopped)
        why = QStringLiteral("is stopped");
    else if (!acceptingJobs)
        why = QStringLiteral("is refusing new jobs");
    else
        why = QStringLiteral("reports a problem");
    QString text = QStringLiteral("The printer \"%1\" %2").arg(name, why);
    if (!reasons.isEmpty())
        text += QStringLiteral(" (%1)").arg(reasons.join(QStringLiteral(", ")));
    if (!message.isEmpty())
        text += QStringLiteral(": %1").arg(message);
    text += QStringLiteral(".");
    if (queuedJobs > 0)
        text += QStringLiteral(" %1 job(s) are already waiting.").arg(queuedJobs);
    text += acceptingJobs ? QStringLiteral("\nA picture sent now waits until the printer is ready. Print anyway?")
                          : QStringLiteral("\nA picture sent now will be refused.");
    return text;
}

QString JobStatus::why() const
{
    if (!printerMessage.isEmpty())
        return printerMessage;
    if (!reasons.isEmpty())
        return reasons.join(QStringLiteral(", "));
    return stateName();
}

QString JobStatus::stateName() const
{
    switch (state) {
    case JobState::Pending:
        return QStringLiteral("pending");
    case JobState::Held:
        return QStringLiteral("held");
    case JobState::Processing:
        return QStringLiteral("processing");
    case JobState::Stopped:
        return QStringLiteral("stopped");
    case JobState::Canceled:
        return QStringLiteral("canceled");
    case JobState::Aborted:
        return QStringLiteral("aborted");
    case JobState::Completed:
        return QStringLiteral("completed");
    case JobState::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

QString DefaultPrinterName()
{
    // cupsGetNamedDest with no name honours lpoptions and the environment, as Qt's default does.
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
    if (!dest)
        return {};
    const QString name = QString::fromUtf8(dest->name);
    cupsFreeDests(1, dest);
    return name;
}

QList<PrinterHealth> ListPrinters(QString* error)
{
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
        int(sizeof(kPrinterAttributes) / sizeof(kPrinterAttributes[0])), nullptr, kPrinterAttributes);
    IppHandle response(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/"));
    QList<PrinterHealth> printers;
    const ipp_status_t status = cupsLastError();
    if (!response || (status > IPP_STATUS_OK_CONFLICTING && status != IPP_STATUS_ERROR_NOT_FOUND)) {
        if (error)
            *error = lastCupsError();
        return printers;
    }
    const QString defaultName = DefaultPrinterName();
    ipp_attribute_t* attr = ippFirstAttribute(response.get());
    while (attr) {
        PrinterHealth h = healthFrom(response.get(), attr);
        if (!h.found)
            continue;
        h.isDefault = h.name == defaultName;
        printers << h;
    }
    return printers;
}

PrinterHealth QueryPrinter(const QString& name, QString* error)
{
    PrinterHealth h;
    h.name = name.isEmpty() ? DefaultPrinterName() : name;
    if (h.name.isEmpty()) {
        if (error)
            *error = QStringLiteral("There is no default printer.");
        return h;
    }
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(
        request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerUri(h.name).toUtf8().constData());
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
        int(sizeof(kPrinterAttributes) / sizeof(kPrinterAttributes[0])), nullptr, kPrinterAttributes);
    IppHandle response(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/"));
    if (!response || cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(h.name, lastCupsError());
        return h;
    }
    ipp_attribute_t* attr = ippFirstAttribute(response.get());
    const QString asked = h.name;
    h = healthFrom(response.get(), attr);
    if (h.name.isEmpty())
        h.name = asked;
    h.isDefault = h.name == DefaultPrinterName();
    return h;
}

JobStatus QueryJob(int id, QString* error)
{
    JobStatus job;
    job.id = id;
    static const char* const kJobAttributes[]
        = { "job-id", "job-state", "job-state-reasons", "job-printer-state-message" };
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof(uri), "ipp", nullptr, "localhost", 0, "/jobs/%d", id);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
        int(sizeof(kJobAttributes) / sizeof(kJobAttributes[0])), nullptr, kJobAttributes);
    IppHandle response(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/"));
    if (!response || cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
        if (error)
            *error = QStringLiteral("job %1: %2").arg(id).arg(lastCupsError());
        return job;
    }
    if (ipp_attribute_t* a = ippFindAttribute(response.get(), "job-state", IPP_TAG_ENUM))
        job.state = JobState(ippGetInteger(a, 0));
    if (job.state < JobState::Pending || job.state > JobState::Completed)
        job.state = JobState::Unknown;
    job.reasons = reasonsOf(ippFindAttribute(response.get(), "job-state-reasons", IPP_TAG_KEYWORD));
    if (ipp_attribute_t* a = ippFindAttribute(response.get(), "job-printer-state-message", IPP_TAG_TEXT))
        job.printerMessage = QString::fromUtf8(ippGetString(a, 0, nullptr));
    return job;
}

int SubmitPrintFile(const QString& printer, const QString& pdfFile, const QString& title, int copies, QString* error,
    bool* printerMissing, const QList<PrintOption>& extra)
{
    if (printerMissing)
        *printerMissing = false;
    cups_option_t* options = nullptr;
    int count = 0;
    if (copies > 1)
        count = cupsAddOption("copies", QByteArray::number(copies).constData(), count, &options);
    for (const PrintOption& o : extra)
        count = cupsAddOption(o.first.constData(), o.second.constData(), count, &options);
    const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, printer.toUtf8().constData(),
        QFile::encodeName(pdfFile).constData(), title.toUtf8().constData(), count, options);
    cupsFreeOptions(count, options);
    if (job <= 0) {
        if (printerMissing)
            *printerMissing = cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND;
        if (error)
            *error = QStringLiteral("%1: %2").arg(printer, lastCupsError());
        return 0;
    }
    return job;
}
