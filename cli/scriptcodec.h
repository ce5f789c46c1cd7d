#pragma once

#include <QJSValue>
#include <QJsonValue>
#include <QQmlEngine>
#include <QVariant>

// The settings-file scripts the window runs, run here without a scene: one engine, the document
// library and the values it takes and gives, converted to and from JSON.
class ScriptCodec
{
public:
    ScriptCodec();

    // False when the scripts could not be loaded (a broken build): nothing else works then.
    bool loaded() const { return !document.isUndefined(); }

    // Calls a function of the settings-file library, or of the table layout library.
    QJSValue call(const QString& function, const QJSValueList& arguments = {});
    QJSValue callMap(const QString& function, const QJSValueList& arguments = {});
    QJSValue mapValue(const QString& name) const { return map.property(name); }
    QJSValue value(const QJsonValue& json);
    QJSValue value(const QVariant& plain);
    static QJsonValue json(const QJSValue& value);
    // The "error" member of a result, empty when it has none.
    static QString errorOf(const QJSValue& result);

private:
    QQmlEngine engine;
    QJSValue document;
    QJSValue map;
};
