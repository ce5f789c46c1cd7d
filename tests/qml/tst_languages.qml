import QtQuick 2.12
import QtTest 1.2

// The three language files: complete, aligned with each other, and readable as UTF-8.
TestCase {
    name: "Languages"
    readonly property var sections: ({ PageMain: 30, PageSystem: 19, PageKey: 41, PageMacro: 24, PageLight: 20, PageUpdate: 22,
                                       Tray: 5, SettingsFile: 19 })
    readonly property var codes: ["0", "1", "2"]

    function test_every_section_is_complete() {
        for (var c = 0; c < codes.length; ++c) {
            for (var name in sections) {
                var s = langFiles.section(codes[c], name)
                compare(Number(s.total), sections[name], codes[c] + " " + name + " total")
                for (var i = 0; i < sections[name]; ++i) {
                    var t = s[String(i)]
                    verify(typeof t === "string" && t.trim().length > 0, codes[c] + " " + name + "/" + i + " is a text")
                }
            }
        }
    }

    function test_native_message_texts_exist() {
        var keys = [["PageUpdate", 0], ["PageUpdate", 14], ["PageUpdate", 15], ["PageUpdate", 8],
                    ["PageUpdate", 12], ["PageUpdate", 13], ["PageKey", 0], ["PageKey", 20],
                    ["PageMain", 17], ["PageMain", 18], ["PageMain", 28], ["PageMain", 29]]
        for (var c = 0; c < codes.length; ++c) {
            for (var k = 0; k < keys.length; ++k) {
                var t = langFiles.section(codes[c], keys[k][0])[String(keys[k][1])]
                verify(typeof t === "string" && t.length > 0, codes[c] + " " + keys[k][0] + "/" + keys[k][1])
            }
        }
    }

    function test_texts_survive_as_utf8() {
        compare(langFiles.section("0", "PageKey")["2"], "Клавиатура")
        compare(langFiles.section("1", "PageKey")["2"], "鍵盤")
        compare(langFiles.section("2", "PageLight")["4"], "Neno")
        // Commas and quotes stay inside one text.
        verify(langFiles.section("2", "PageMain")["13"].indexOf(".") > 0)
        compare(langFiles.section("1", "PageMacro")["10"], "F10 開始，F12 停止")
    }

    function test_translations_differ_from_english() {
        var ru = langFiles.section("0", "PageUpdate")
        var zh = langFiles.section("1", "PageUpdate")
        var en = langFiles.section("2", "PageUpdate")
        verify(ru["14"] !== en["14"])
        verify(zh["14"] !== en["14"])
    }
}
