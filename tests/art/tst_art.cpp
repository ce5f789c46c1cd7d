// The scene's pictures line up from source to screen: every picture the QML names is listed in
// the manifest and has a vector source, every listed picture has its source drawn at the listed
// size, and the build turned each one into a PNG of that size that is not blank.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

namespace
{

const QString kArtDir = QStringLiteral(QUILLEX_SOURCE_DIR "/qml/art");
const QString kQmlDir = QStringLiteral(QUILLEX_SOURCE_DIR "/qml");
const QStringList kStates = {"_normal", "_hover", "_press"};
const QString kRegenerate =
    QStringLiteral("\n(qml/art/generate.py rewrites the SVGs from the manifest)");

QString readText(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

struct Manifest {
    QMap<QString, QSize> sizes; // "Folder/name" -> size
    QStringList errors;
};

Manifest parseManifest(const QString& text)
{
    static const QRegularExpression line("^(\\w+/\\w+) (\\d+)x(\\d+) \\S");
    Manifest m;
    const QStringList lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QString l = lines[i].trimmed();
        if (l.isEmpty() || l.startsWith('#'))
            continue;
        const auto match = line.match(l);
        const QSize size = match.hasMatch()
                               ? QSize(match.captured(2).toInt(), match.captured(3).toInt())
                               : QSize();
        if (!match.hasMatch() || size.isEmpty())
            m.errors << QString("line %1 malformed: %2").arg(i + 1).arg(l);
        else if (m.sizes.contains(match.captured(1)))
            m.errors << QString("line %1 repeats %2").arg(i + 1).arg(match.captured(1));
        else
            m.sizes.insert(match.captured(1), size);
    }
    return m;
}

QStringList literals(const QString& code)
{
    static const QRegularExpression lit("\"((?:[^\"\\\\\\n]|\\\\.)*)\"");
    QStringList out;
    for (auto it = lit.globalMatch(code); it.hasNext();)
        out << it.next().captured(1);
    return out;
}

// A literal that names (part of) a picture: a plain word, optionally with ".png".
QString pictureWord(QString s)
{
    static const QRegularExpression word("^\\w+$");
    if (s.endsWith(".png"))
        s.chop(4);
    return word.match(s).hasMatch() ? s : QString();
}

// Text between the parenthesis opening at `open` and its partner.
QString callArguments(const QString& code, int open)
{
    int depth = 0;
    for (int i = open; i < code.size(); ++i) {
        if (code[i] == '(')
            ++depth;
        else if (code[i] == ')' && --depth == 0)
            return code.mid(open + 1, i - open - 1);
    }
    return {};
}

// Pictures a QML or JS source names, in the forms the scene uses: whole URLs,
// img("Folder", <expression of names>), btnImgs("Folder", "base") for the three states, and a
// "file:modules/img/Folder/stem" property completed by names on the lines that use it.
QSet<QString> pictureRefs(const QString& code)
{
    QSet<QString> refs;
    static const QRegularExpression url("\"file:modules/img/(\\w+/\\w+)\\.png\"");
    for (auto it = url.globalMatch(code); it.hasNext();)
        refs << it.next().captured(1);

    static const QRegularExpression call("\\b(img|btnImgs)\\(\\s*\"(\\w+)\"\\s*,");
    for (auto it = call.globalMatch(code); it.hasNext();) {
        const auto m = it.next();
        const QString args = callArguments(code, m.capturedStart(0) + m.captured(1).size());
        const QStringList names = literals(args).mid(1);
        for (const QString& n : names) {
            const QString name = pictureWord(n);
            if (name.isEmpty())
                continue;
            if (m.captured(1) == "img")
                refs << m.captured(2) + '/' + name;
            else
                for (const QString& s : kStates)
                    refs << m.captured(2) + '/' + name + s;
        }
    }

    static const QRegularExpression prefix(
        "property\\s+string\\s+(\\w+)\\s*:\\s*\"file:modules/img/(\\w+)/(\\w*)\"");
    for (auto it = prefix.globalMatch(code); it.hasNext();) {
        const auto m = it.next();
        const QRegularExpression use("\\b" + m.captured(1) + "\\s*\\+");
        for (const QString& line : code.split('\n')) {
            if (!use.match(line).hasMatch())
                continue;
            for (const QString& l : literals(line)) {
                const QString name = pictureWord(l);
                if (!name.isEmpty())
                    refs << m.captured(2) + '/' + m.captured(3) + name;
            }
        }
    }
    return refs;
}

QSize svgSize(const QString& path)
{
    static const QRegularExpression root("<svg[^>]*\\bwidth=\"(\\d+)\"[^>]*\\bheight=\"(\\d+)\"");
    const auto m = root.match(readText(path));
    return m.hasMatch() ? QSize(m.captured(1).toInt(), m.captured(2).toInt()) : QSize();
}

} // namespace

class tst_Art : public QObject
{
    Q_OBJECT

    Manifest manifest;

private slots:
    void initTestCase()
    {
        const QString text = readText(kArtDir + "/manifest.txt");
        QVERIFY2(!text.isEmpty(), "manifest.txt missing or empty");
        manifest = parseManifest(text);
    }

    void scannerFindsEveryReferenceForm_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("url") << "source: \"file:modules/img/PageKey/bg.png\""
                             << QStringList{"PageKey/bg"};
        QTest::newRow("img call with choice")
            << "source: main.img(\"PageMain\", on ? \"cable_on\" : (x(1) ? \"a_b\" : "
               "\"cable_off\"))"
            << QStringList{"PageMain/cable_on", "PageMain/a_b", "PageMain/cable_off"};
        QTest::newRow("three states")
            << "srcs: main.btnImgs(\"GlobalModule\", \"btn\")"
            << QStringList{"GlobalModule/btn_normal", "GlobalModule/btn_hover",
                           "GlobalModule/btn_press"};
        QTest::newRow("prefix property")
            << "readonly property string path: \"file:modules/img/GlobalModule/fick_\"\n"
               "source: fick.path + (sel ? \"press\" : \"normal\") + \".png\"\n"
               "text: \"not a picture\""
            << QStringList{"GlobalModule/fick_press", "GlobalModule/fick_normal"};
        QTest::newRow("helper body names nothing")
            << "function img(folder, name) { return imgPath + folder + \"/\" + name + \".png\" }"
            << QStringList{};
    }

    void scannerFindsEveryReferenceForm()
    {
        QFETCH(QString, code);
        QFETCH(QStringList, expected);
        QCOMPARE(pictureRefs(code), QSet<QString>(expected.begin(), expected.end()));
    }

    void manifestIsWellFormed()
    {
        QVERIFY2(manifest.errors.isEmpty(), qPrintable(manifest.errors.join('\n')));
        QVERIFY(!manifest.sizes.isEmpty());
        for (const QString& key : manifest.sizes.keys()) {
            if (!key.endsWith(kStates[0]))
                continue;
            // Buttons show normal, hover and held; check boxes show checked in place of held.
            const QString base = key.chopped(kStates[0].size());
            const QString held =
                manifest.sizes.contains(base + "_checked") ? "_checked" : kStates[2];
            for (const QString& s : {kStates[1], held})
                QVERIFY2(manifest.sizes.contains(base + s), qPrintable(base + s + " missing"));
        }
    }

    void everyReferencedPictureIsListedAndDrawn()
    {
        QSet<QString> refs;
        const QStringList files = QDir(kQmlDir).entryList({"*.qml", "*.js"}, QDir::Files);
        for (const QString& f : files)
            refs += pictureRefs(readText(kQmlDir + '/' + f));
        // The pages name dozens of pictures; finding few means the scan no longer understands them.
        QVERIFY2(refs.size() >= 20, qPrintable(QString("only %1 pictures found").arg(refs.size())));
        QStringList unlisted, undrawn;
        for (const QString& r : refs) {
            if (!manifest.sizes.contains(r))
                unlisted << r;
            if (!QFile::exists(kArtDir + '/' + r + ".svg"))
                undrawn << r;
        }
        QVERIFY2(unlisted.isEmpty(), qPrintable("not in manifest: " + unlisted.join(", ")));
        QVERIFY2(undrawn.isEmpty(),
                 qPrintable("no SVG source: " + undrawn.join(", ") + kRegenerate));
    }

    void everyListedPictureHasItsSource()
    {
        QStringList problems;
        for (auto it = manifest.sizes.cbegin(); it != manifest.sizes.cend(); ++it) {
            const QSize drawn = svgSize(kArtDir + '/' + it.key() + ".svg");
            if (drawn != it.value())
                problems << QString("%1: manifest %2x%3, SVG %4x%5")
                                .arg(it.key())
                                .arg(it.value().width())
                                .arg(it.value().height())
                                .arg(drawn.width())
                                .arg(drawn.height());
        }
        for (const QString& folder : QDir(kArtDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            for (const QString& svg : QDir(kArtDir + '/' + folder).entryList({"*.svg"}))
                if (!manifest.sizes.contains(folder + '/' + svg.chopped(4)))
                    problems << folder + '/' + svg + " is not in the manifest";
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n') + kRegenerate));
    }

    void buildRasterizedEveryPicture()
    {
        const QString bin = qEnvironmentVariable("QUILLEX_BIN_DIR");
        QVERIFY2(!bin.isEmpty(), "QUILLEX_BIN_DIR is not set: run the test through ctest");
        const QString img = bin + "/modules/img/";
        QStringList problems;
        for (auto it = manifest.sizes.cbegin(); it != manifest.sizes.cend(); ++it) {
            const QImage png(img + it.key() + ".png");
            if (png.size() != it.value()) {
                problems << QString("%1: %2x%3").arg(it.key()).arg(png.width()).arg(png.height());
                continue;
            }
            const QImage argb = png.convertToFormat(QImage::Format_ARGB32);
            bool drawn = false;
            for (int y = 0; y < argb.height() && !drawn; ++y)
                for (int x = 0; x < argb.width() && !drawn; ++x)
                    drawn = qAlpha(argb.pixel(x, y)) > 0;
            if (!drawn)
                problems << it.key() + " is blank";
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    }
};

QTEST_GUILESS_MAIN(tst_Art)
#include "tst_art.moc"
