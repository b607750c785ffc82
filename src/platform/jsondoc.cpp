// JSON documents through QJsonDocument.
#include "platform/jsondoc.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>

JsonItem JsonItem::Of(double n) {
    JsonItem item;
    item.type = Type::Number;
    item.number = n;
    return item;
}

JsonItem JsonItem::Flag(bool b) {
    JsonItem item;
    item.type = Type::Bool;
    item.boolean = b;
    return item;
}

JsonItem JsonItem::Of(const std::string &s) {
    JsonItem item;
    item.type = Type::String;
    item.text = s;
    return item;
}

JsonItem JsonItem::NewObject() {
    JsonItem item;
    item.type = Type::Object;
    return item;
}

JsonItem &JsonItem::Add(const std::string &key, JsonItem value) {
    for (auto &m : members)
        if (m.key == key) return m.value = std::move(value);
    members.push_back({key, std::move(value)});
    return members.back().value;
}

const JsonItem *JsonItem::Member(const std::string &key) const {
    if (type != Type::Object) return nullptr;
    for (const auto &m : members)
        if (m.key == key) return &m.value;
    return nullptr;
}

static JsonItem FromQt(const QJsonValue &v) {
    JsonItem item;
    switch (v.type()) {
    case QJsonValue::Bool:
        item.type = JsonItem::Type::Bool;
        item.boolean = v.toBool();
        break;
    case QJsonValue::Double:
        item.type = JsonItem::Type::Number;
        item.number = v.toDouble();
        break;
    case QJsonValue::String: item = JsonItem::Of(v.toString().toStdString()); break;
    case QJsonValue::Array:
        item.type = JsonItem::Type::Array;
        for (const QJsonValue &e : v.toArray())
            item.elements.push_back(FromQt(e));
        break;
    case QJsonValue::Object: {
        item.type = JsonItem::Type::Object;
        const QJsonObject o = v.toObject();
        for (auto it = o.begin(); it != o.end(); ++it)
            item.members.push_back({it.key().toStdString(), FromQt(it.value())});
        break;
    }
    default: break; // Null, Undefined
    }
    return item;
}

static QJsonValue ToQt(const JsonItem &item) {
    switch (item.type) {
    case JsonItem::Type::Bool: return item.boolean;
    case JsonItem::Type::Number:
        return std::isfinite(item.number) ? QJsonValue(item.number) : QJsonValue();
    case JsonItem::Type::String: return QString::fromStdString(item.text);
    case JsonItem::Type::Array: {
        QJsonArray a;
        for (const JsonItem &e : item.elements)
            a.append(ToQt(e));
        return a;
    }
    case JsonItem::Type::Object: {
        QJsonObject o;
        for (const auto &m : item.members)
            o.insert(QString::fromStdString(m.key), ToQt(m.value));
        return o;
    }
    default: return QJsonValue();
    }
}

bool ParseJson(const std::string &text, JsonItem *out, std::string *error) {
    QJsonParseError parseError;
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray(text.data(), qsizetype(text.size())), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        if (error)
            *error = parseError.errorString().toStdString() + " at byte " +
                     std::to_string(parseError.offset);
        return false;
    }
    if (!doc.isObject()) {
        if (error) *error = "the document is not an object";
        return false;
    }
    *out = FromQt(doc.object());
    return true;
}

std::string WriteJson(const JsonItem &item) {
    const QJsonValue v = ToQt(item);
    QJsonDocument doc;
    if (v.isObject())
        doc.setObject(v.toObject());
    else if (v.isArray())
        doc.setArray(v.toArray());
    return doc.toJson(QJsonDocument::Indented).toStdString();
}

// A scalar as Qt writes it: inside a one-element array, without the brackets.
static std::string Scalar(const JsonItem &item) {
    const QByteArray a = QJsonDocument(QJsonArray{ToQt(item)}).toJson(QJsonDocument::Compact);
    return a.mid(1, a.size() - 2).toStdString();
}

std::string WriteJsonLine(const JsonItem &item) {
    std::string out;
    switch (item.type) {
    case JsonItem::Type::Array:
        out = "[";
        for (const JsonItem &e : item.elements)
            out += (out.size() > 1 ? "," : "") + WriteJsonLine(e);
        return out + "]";
    case JsonItem::Type::Object:
        out = "{";
        for (const JsonMember &m : item.members)
            out += (out.size() > 1 ? "," : "") + Scalar(JsonItem::Of(m.key)) + ":" +
                   WriteJsonLine(m.value);
        return out + "}";
    default: return Scalar(item);
    }
}
