// HTML of the gallery pages. Every name on them passed the table's plain-name check; they are
// escaped all the same.
#include "share/gallery_pages.h"

#include <algorithm>
#include <ctime>
#include <vector>

namespace share {

namespace {

std::string escape(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string when(int64_t seconds)
{
    const time_t t = time_t(seconds);
    struct tm local { };
    localtime_r(&t, &local);
    char text[64];
    std::strftime(text, sizeof text, "%d %B %Y, %H:%M", &local);
    return text;
}

// The theme's palette: night blue ground, warm paper cards, coral for the primary action.
constexpr const char* kStyle = R"(<style>
*{box-sizing:border-box}
html{-webkit-text-size-adjust:100%}
body{margin:0;background:#1F2440;background:linear-gradient(#1F2440,#2B3157) fixed;color:#F6F1E9;
font:16px/1.4 "Liberation Sans","DejaVu Sans",Arial,sans-serif}
main{max-width:960px;margin:0 auto;padding:16px}
h1{font-size:22px;margin:8px 0 4px}
p.when{margin:0 0 16px;color:#C9C5D6}
.card{background:#F6F1E9;color:#1F2440;border-radius:10px;padding:10px;margin:0 0 16px;
box-shadow:0 2px 4px rgba(0,0,0,.4)}
.card img{display:block;width:100%;height:auto;border-radius:6px;background:#E6DED1}
.button{display:block;margin:10px 0 0;padding:14px;border-radius:6px;background:#FF6B57;color:#1F2440;
font-weight:bold;text-align:center;text-decoration:none;font-size:18px}
.button:active{background:#E0523F}
.button:focus{outline:3px solid #FFC857;outline-offset:2px}
.small{padding:8px;font-size:15px;background:#3C4475;color:#F6F1E9;font-weight:normal}
h2{font-size:18px;margin:20px 0 8px}
.grid{display:grid;grid-template-columns:repeat(auto-fill,minmax(140px,1fr));gap:12px}
.grid .card{margin:0;padding:6px}
.index a.sheet{color:#1F2440;text-decoration:none}
footer{color:#8A8FA8;font-size:13px;text-align:center;padding:16px}
@media (min-width:700px){.sheetcard{max-width:720px;margin:0 auto 16px}}
</style>)";

std::string head(std::string_view title)
{
    return std::string("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                       "<meta name=\"referrer\" content=\"no-referrer\"><title>")
        + escape(title) + "</title>" + kStyle + "</head><body><main>\n";
}

constexpr const char* kFoot = "</main><footer>Kivra Tesselwick photo booth</footer></body></html>\n";

} // namespace

std::string sheetPath(std::string_view token)
{
    return "/s/" + std::string(token) + "/";
}

std::string thumbName(std::string_view file)
{
    std::string name(file);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".jpg") == 0)
        name.insert(name.size() - 4, ".thumb");
    return name;
}

std::string downloadName(const SharedSheet& sheet, std::string_view file)
{
    return "kivra-" + sheet.folder + "-" + std::string(file);
}

std::string sheetPage(const SharedSheet& sheet)
{
    const std::string base = escape(sheetPath(sheet.token));
    std::string html = head("Your pictures");
    html += "<h1>Your pictures</h1>\n<p class=\"when\">" + escape(when(sheet.created)) + "</p>\n";
    const std::string first = escape(sheet.files.front());
    html += "<div class=\"card sheetcard\"><a href=\"" + base + first + "\"><img src=\"" + base + "thumb/" + first
        + "\" alt=\"The photo sheet\"></a>\n<a class=\"button\" href=\"" + base + "download/" + first + "\" download=\""
        + escape(downloadName(sheet, sheet.files.front())) + "\">Download the sheet</a></div>\n";
    if (sheet.files.size() > 1) {
        html += "<h2>Single shots</h2>\n<div class=\"grid\">\n";
        for (size_t i = 1; i < sheet.files.size(); ++i) {
            const std::string f = escape(sheet.files[i]);
            html += "<div class=\"card\"><a href=\"" + base + f + "\"><img src=\"" + base + "thumb/" + f
                + "\" alt=\"Shot " + std::to_string(i) + "\" loading=\"lazy\"></a><a class=\"button small\" href=\""
                + base + "download/" + f + "\" download=\"" + escape(downloadName(sheet, sheet.files[i]))
                + "\">Download</a></div>\n";
        }
        html += "</div>\n";
    }
    return html + kFoot;
}

std::string indexPage(const ShareTable& table)
{
    std::vector<const SharedSheet*> sheets;
    for (const SharedSheet& s : table.sheets())
        sheets.push_back(&s);
    std::stable_sort(sheets.begin(), sheets.end(),
        [](const SharedSheet* a, const SharedSheet* b) { return a->created > b->created; });
    std::string html = head("Event index");
    html += "<h1>Event index</h1>\n<p class=\"when\">" + std::to_string(sheets.size())
        + " shared sheet(s). This page is for the operator: do not show its code to guests.</p>\n"
          "<div class=\"grid index\">\n";
    for (const SharedSheet* s : sheets) {
        const std::string base = escape(sheetPath(s->token));
        html += "<div class=\"card\"><a class=\"sheet\" href=\"" + base + "\"><img src=\"" + base + "thumb/"
            + escape(s->files.front()) + "\" alt=\"Sheet\" loading=\"lazy\">" + escape(when(s->created))
            + "</a></div>\n";
    }
    return html + "</div>\n" + kFoot;
}

} // namespace share
