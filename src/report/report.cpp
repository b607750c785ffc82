// Composing the commissioning report as HTML.
#include "report/report.h"

#include "paramsets/paramtable.h"
#include "platform/textcodec.h"

#include <cstdio>

std::string HtmlEscape(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

static std::string Number(double v, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, ZeroUnsigned(v, decimals));
    return text;
}

// Styles are written into each element: the file must look the same when
// mailed, opened offline or printed, with nothing beside it.
static const char TABLE[] = "<table style=\"border-collapse:collapse;margin:4px 0 12px 0\">";
static const char TH[] =
    "<th style=\"border:1px solid #888;padding:3px 8px;background:#dde6f0;text-align:left\">";
static const char TD[] = "<td style=\"border:1px solid #888;padding:3px 8px\">";
static const char TD_NUM[] =
    "<td style=\"border:1px solid #888;padding:3px 8px;text-align:right\">";
static const char TD_MARK[] = "<td style=\"border:1px solid #888;padding:3px 8px;text-align:right;"
                              "background:#ffd870;font-weight:bold\">";
static const char H2[] = "<h2 style=\"font-size:14pt;color:#004080;margin:16px 0 4px 0\">";

static void Row(std::string &html, const std::string &key, const std::string &value) {
    html += std::string("<tr>") + TH + HtmlEscape(key) + "</th>" + TD + HtmlEscape(value) +
            "</td></tr>\n";
}

static std::string SetCell(int has, const std::string &why, const u16 *words, int i, int marked) {
    if (!has) return std::string(TD_NUM) + "not read: " + HtmlEscape(why) + "</td>";
    return std::string(marked ? TD_MARK : TD_NUM) + HtmlEscape(ParamValueText(i, words[i])) +
           "</td>";
}

static void ParameterTable(std::string &html, const ReportData &d) {
    html += std::string(H2) + "Parameter sets</h2>\n";
    html += "<p style=\"margin:0\">Cells where the EEPROM differs from RAM are marked.</p>\n";
    html += std::string(TABLE) + "<tr>" + TH + "Parameter</th>" + TH + "Name</th>" + TH +
            "Unit</th>" + TH + "RAM</th>" + TH + "EEPROM</th>" + TH + "Window</th></tr>\n";
    for (int i = 0; i < PNUM; i++) {
        const ParamWord &w = PARAM_TABLE[i];
        const int differs = d.hasRam && d.hasEeprom && d.ram[i] != d.eeprom[i];
        html += std::string("<tr>") + TD + HtmlEscape(w.label) + "</td>" + TD + "<code>" +
                HtmlEscape(ParamName(i)) + "</code></td>" + TD + HtmlEscape(w.unit) + "</td>" +
                SetCell(d.hasRam, d.ramWhy, d.ram, i, 0) +
                SetCell(d.hasEeprom, d.eepromWhy, d.eeprom, i, differs) +
                SetCell(1, "", d.window, i, 0) + "</tr>\n";
    }
    html += "</table>\n";
}

static void Calibration(std::string &html, const ReportData &d) {
    html += std::string(H2) + "Calibration</h2>\n" + TABLE;
    Row(html, "Slope factor", Number(d.slopeFactor, 6) + " (word " + std::to_string(d.slope) + ")");
    Row(html, "Offset", Number(d.offset, 1) + " (word " + std::to_string(d.intersect) + ")");
    html += "</table>\n";
    if (!d.calibrated) {
        html += "<p>No calibration was made in this session.</p>\n";
        return;
    }
    html += std::string(TABLE) + "<tr>" + TH + "Point</th>" + TH + "Measured value</th>" + TH +
            "Size [\xC2\xB5m]</th></tr>\n";
    for (int k = 0; k < 2; k++)
        html += std::string("<tr>") + TD + std::to_string(k + 1) + "</td>" + TD_NUM +
                Number(d.pixel[k], 1) + "</td>" + TD_NUM + Number(d.umeter[k], 1) + "</td></tr>\n";
    html += "</table>\n" + std::string(TABLE);
    Row(html, "Fit slope", Number(d.fitSlope, 6));
    Row(html, "Fit intercept", Number(d.fitIntercept, 3));
    Row(html, "Mean squared error", Number(d.mse, 6));
    html += "</table>\n";
}

// A figure, or a dash where the run cannot give it.
static std::string Figure(bool defined, double v, int decimals) {
    return defined ? Number(v, decimals) : "-";
}

static void Series(std::string &html, const char *name, const StatSeries &s) {
    html += std::string("<tr>") + TD + name + "</td>" + TD_NUM + std::to_string(s.count) + "</td>" +
            TD_NUM + Figure(s.hasMean, s.mean, 3) + "</td>" + TD_NUM + Figure(s.hasSd, s.sd, 3) +
            "</td>" + TD_NUM + Figure(s.hasMean, s.min, 0) + "</td>" + TD_NUM +
            Figure(s.hasMean, s.max, 0) + "</td></tr>\n";
}

static void Statistics(std::string &html, const RunSummary &r) {
    html += std::string(H2) + "Statistics of the last run</h2>\n" + TABLE + "<tr>" + TH + "</th>" +
            TH + "Count</th>" + TH + "Mean</th>" + TH + "Standard deviation</th>" + TH +
            "Minimum</th>" + TH + "Maximum</th></tr>\n";
    Series(html, "Measured value", r.value);
    if (r.um.count > 0) Series(html, "Value in \xC2\xB5m", r.um);
    html += "</table>\n" + std::string(TABLE);
    Row(html, "Set-point \xC2\xB1 tolerance",
        Number(r.setPoint, 0) + " \xC2\xB1 " + Number(r.tolerance, 0));
    Row(html, "Out of tolerance",
        std::to_string(r.outOfTolerance) +
            (r.hasOutShare ? " (" + Number(100.0 * r.outShare, 2) + " %)" : std::string()));
    Row(html, "Cp", Figure(r.hasCp, r.cp, 2));
    Row(html, "Cpk", Figure(r.hasCpk, r.cpk, 2));
    html += "</table>\n";
}

std::string ComposeReport(const ReportData &d) {
    std::string html =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"/>"
        "<title>Commissioning report</title></head>\n"
        "<body style=\"font-family:sans-serif;font-size:10pt;color:#000;background:#fff\">\n"
        "<h1 style=\"font-size:18pt;color:#004080;margin:0 0 8px 0\">Commissioning report</h1>\n";
    html += TABLE;
    Row(html, "Date", d.date);
    Row(html, "Port", d.port + (d.device.empty() ? std::string() : " (" + d.device + ")"));
    html += "</table>\n";

    html += std::string(H2) + "Sensor</h2>\n" + TABLE;
    Row(html, "Identity", d.sensor.empty() ? "not identified" : d.sensor);
    Row(html, "Firmware", d.firmware.empty() ? "not read" : d.firmware);
    const u16 *id = d.identity;
    Row(html, "CCD type", std::to_string(id[HW_CCDTYPE]));
    Row(html, "Pixels", std::to_string(id[HW_CCDMAXPIXEL]));
    Row(html, "Sub-pixels",
        std::to_string(id[HW_CCDSUBPIXEL]) + " (line " + std::to_string(id[HW_CCDMAXPIXELX8]) +
            ")");
    Row(html, "Electronics type", std::to_string(id[HW_PCBTYPE]));
    Row(html, "Firmware version word", std::to_string(id[HW_SOFTVERSION]));
    html += "</table>\n";

    ParameterTable(html, d);
    Calibration(html, d);

    if (d.hasRun) Statistics(html, d.run);

    html += std::string(H2) + "Graphs</h2>\n";
    for (const ReportPicture &p : d.pictures) {
        html +=
            "<p style=\"margin:8px 0 2px 0;font-weight:bold\">" + HtmlEscape(p.title) + "</p>\n";
        if (p.png.empty())
            html += "<p>No picture.</p>\n";
        else
            html += "<p style=\"margin:0\"><img alt=\"" + HtmlEscape(p.title) +
                    "\" src=\"data:image/png;base64," + Base64Of(p.png) +
                    "\" style=\"max-width:100%\"/></p>\n";
    }

    html += std::string(H2) + "Note</h2>\n<p style=\"white-space:pre-wrap\">" + HtmlEscape(d.note) +
            "</p>\n</body></html>\n";
    return html;
}
