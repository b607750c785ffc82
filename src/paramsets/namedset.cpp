// The named parameter set: JSON through the platform's reader and writer.
#include "paramsets/namedset.h"

#include "com232/identify.h"
#include "com232/protocol.h"
#include "window/controls.h"
#include "paramsets/paramtable.h"
#include "platform/jsondoc.h"
#include "platform/textcodec.h"
#include "platform/widgets/userint.h"

#include <cmath>
#include <ctime>

static constexpr int NAMEDSET_VERSION = 1;

std::string NamedSetToJson(const u16 words[PNUM], const SetIdentity &id) {
    JsonItem doc = JsonItem::NewObject();
    doc.Add("format", JsonItem::Of(NAMEDSET_FORMAT));
    doc.Add("version", JsonItem::Of(NAMEDSET_VERSION));
    doc.Add("date", JsonItem::Of(id.date));
    JsonItem sensor = JsonItem::NewObject();
    for (const IdentityWordDef &w : IDENTITY_WORDS)
        sensor.Add(w.name, JsonItem::Of(double(*w.value)));
    sensor.Add("text", JsonItem::Of(id.sensor));
    doc.Add("sensor", sensor);
    doc.Add("firmware", JsonItem::Of(id.firmware));
    JsonItem params = JsonItem::NewObject();
    for (int i = 0; i < PNUM; i++)
        params.Add(ParamName(i), JsonItem::Of(double(words[i])));
    doc.Add("parameters", params);
    return WriteJson(doc);
}

static std::string RangeText(int i) {
    return std::to_string(PARAM_TABLE[i].min) + " to " + std::to_string(ParamMax(i));
}

int NamedSetFromJson(const std::string &text, u16 words[PNUM], std::string *why) {
    JsonItem doc;
    std::string error;
    if (!ParseJson(text, &doc, &error)) {
        *why = "not a parameter set: " + error;
        return 0;
    }
    const JsonItem *format = doc.Member("format");
    if (!format || format->type != JsonItem::Type::String || format->text != NAMEDSET_FORMAT) {
        *why = std::string("not a parameter set: \"format\" is not \"") + NAMEDSET_FORMAT + "\"";
        return 0;
    }
    const JsonItem *params = doc.Member("parameters");
    if (!params || params->type != JsonItem::Type::Object) {
        *why = "\"parameters\" is missing or not an object";
        return 0;
    }
    for (const auto &m : params->members)
        if (ParamIndex(m.key) < 0) {
            *why = "unknown parameter \"" + m.key + "\"";
            return 0;
        }
    u16 taken[PNUM];
    for (int i = 0; i < PNUM; i++) {
        const std::string name = ParamName(i);
        const JsonItem *v = params->Member(name);
        if (!v) {
            *why = "\"" + name + "\" is missing";
            return 0;
        }
        if (v->type != JsonItem::Type::Number) {
            *why = "\"" + name + "\" is not a number";
            return 0;
        }
        // Checked as a double first: a huge number must not reach a cast.
        const double n = v->number;
        if (!std::isfinite(n) || n != std::trunc(n) || n < -1.0 || n > 65536.0 ||
            !ParamInRange(i, static_cast<long long>(n))) {
            *why = "\"" + name + "\" is not a whole number from " + RangeText(i);
            return 0;
        }
        taken[i] = static_cast<u16>(n);
    }
    for (int i = 0; i < PNUM; i++)
        words[i] = taken[i];
    return 1;
}

SetIdentity CurrentIdentity(void) {
    SetIdentity id;
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    if (std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", std::localtime(&now)))
        id.date = stamp;
    char sensorText[260] = "";
    GetCtrlVal(pPopup, POPUP_TEXTBOXSensor, sensorText);
    id.sensor = WinAnsiToUtf8(sensorText);
    id.firmware = WinAnsiToUtf8(szFirmware);
    return id;
}
