#include "cli/scriptcodec.h"

#include <QDebug>
#include <QQmlComponent>

ScriptCodec::ScriptCodec()
{
    // An import's name is no value in QML: the functions used here are handed out one by one.
    QQmlComponent component(&engine);
    component.setData(
        "import QtQml 2.15\n"
        "import \"qrc:/qml/SettingsDocument.js\" as Doc\n"
        "import \"qrc:/qml/DeviceMap.js\" as Map\n"
        "QtObject {\n"
        "    property var document: ({ fromDevice: Doc.fromDevice, plan: Doc.plan,\n"
        "        deviceLimits: Doc.deviceLimits, withRate: Doc.withRate,\n"
        "        changedWrites: Doc.changedWrites, checkMacros: Doc.checkMacros,\n"
        "        keepsLeftClick: Doc.keepsLeftClick, macroOf: Doc.macroOf })\n"
        "    property var map: ({ profileWrite: Map.profileWrite, resetWrite: Map.resetWrite,\n"
        "        PROFILE_COUNT: Map.PROFILE_COUNT })\n"
        "}\n",
        QUrl(QStringLiteral("qrc:/qml/quillexctl.qml")));
    QObject* holder = component.create();
    if (!holder) {
        qDebug() << component.errors();
        return;
    }
    holder->setParent(&engine);
    document = holder->property("document").value<QJSValue>();
    map = holder->property("map").value<QJSValue>();
}

static QJSValue callIn(const QJSValue& library, const QString& function,
                       const QJSValueList& arguments)
{
    QJSValue result = library.property(function).call(arguments);
    if (result.isError())
        qDebug() << function << result.toString();
    return result;
}

QJSValue ScriptCodec::call(const QString& function, const QJSValueList& arguments)
{
    return callIn(document, function, arguments);
}

QJSValue ScriptCodec::callMap(const QString& function, const QJSValueList& arguments)
{
    return callIn(map, function, arguments);
}

QJSValue ScriptCodec::value(const QJsonValue& json)
{
    return engine.toScriptValue(json.toVariant());
}

QJSValue ScriptCodec::value(const QVariant& plain)
{
    return engine.toScriptValue(plain);
}

QJsonValue ScriptCodec::json(const QJSValue& value)
{
    return QJsonValue::fromVariant(value.toVariant());
}

QString ScriptCodec::errorOf(const QJSValue& result)
{
    if (result.isError())
        return result.toString();
    const QJSValue error = result.property(QStringLiteral("error"));
    return error.isString() ? error.toString() : QString();
}
