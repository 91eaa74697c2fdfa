#include "contact_sheet.h"

#include <ctime>
#include <map>
#include <sstream>

namespace tarsel_host {

namespace {

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string TimeOf(uint64_t millis) {
    if (millis == 0) return "";
    const std::time_t seconds = static_cast<std::time_t>(millis / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    char full[48];
    std::snprintf(full, sizeof full, "%s.%03u", text, static_cast<unsigned>(millis % 1000));
    return full;
}

void Thumb(std::ostringstream& html, const SavedFrame& frame) {
    html << "<figure><a href=\"" << Escape(frame.file) << "\"><img src=\"" << Escape(frame.file)
         << "\" alt=\"" << Escape(frame.file) << "\"></a><figcaption>";
    if (frame.kind == "screenshot") {
        html << frame.width << "&times;" << frame.height;
    } else {
        html << Escape(frame.kind) << " &middot; class " << frame.classId << "<br>" << TimeOf(frame.timestamp);
    }
    html << "</figcaption></figure>\n";
}

}  // namespace

std::string ContactSheet(const std::vector<SavedFrame>& frames) {
    std::ostringstream html;
    html << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>tarsel deliveries</title>\n"
            "<style>body{font-family:sans-serif;background:#222;color:#eee;margin:1.5em}"
            "h2{font-size:1.1em;margin:1.2em 0 .4em}.row{display:flex;flex-wrap:wrap;gap:8px}"
            "figure{margin:0;background:#333;padding:4px;border-radius:4px}"
            "img{width:192px;display:block}figcaption{font-size:.8em;padding-top:3px}"
            ".forward{border-left:3px solid #4a4}.backward{border-left:3px solid #c44}"
            "</style></head><body>\n<h1>What the library delivered</h1>\n";
    // Rows in the order they first appear: screenshots, each boss sequence,
    // each speech window.
    std::vector<std::string> order;
    std::map<std::string, std::vector<const SavedFrame*>> rows;
    for (const SavedFrame& frame : frames) {
        std::string key;
        if (frame.kind == "screenshot") {
            key = "Screenshot";
        } else if (frame.kind == "speech") {
            key = "Speech window " + std::to_string(frame.sequence);
        } else {
            key = "Boss sequence " + std::to_string(frame.sequence) + " (forward batch, then backward frames)";
        }
        if (rows.find(key) == rows.end()) order.push_back(key);
        rows[key].push_back(&frame);
    }
    if (order.empty()) html << "<p>Nothing was delivered.</p>\n";
    for (const std::string& key : order) {
        html << "<h2>" << Escape(key) << "</h2>\n<div class=\"row\">\n";
        for (const SavedFrame* frame : rows[key]) {
            html << "<div class=\"" << Escape(frame->kind) << "\">";
            Thumb(html, *frame);
            html << "</div>";
        }
        html << "</div>\n";
    }
    html << "</body></html>\n";
    return html.str();
}

}  // namespace tarsel_host
