import QtQuick 2.12
import "DeviceMap.js" as Map

// Lighting effect, speed, brightness and the seven colour slots.
Item {
    id: page
    width: 1060
    height: 640

    property int mode: 1
    property int brightness: 4
    property int speed: 2
    property int choice: 0
    property var slotColors: Map.defaultColors.slice()
    property var modeNames: [" ", " ", " ", " ", " ", " "]
    property var rgb: [255, 0, 0]
    readonly property bool eighth: choice === Map.EIGHTH_CHOICE
    readonly property alias modeList: modeList
    readonly property alias speedList: speedList
    readonly property alias brightList: brightList

    function txt(i) {
        return main.lang(main.pgLightLang, i)
    }

    function send(w) {
        hid.hid_Send8ByteData(w[0], w[1], w[2], w[3], w[4], w[5], w[6])
    }

    function initListStr() {
        modeNames = [txt(1), txt(2), txt(3), txt(4), txt(5), txt(6)]
    }

    function initUI(t0, t1) {
        var m = t0[Map.t0Index(2)]
        if (m >= 0 && m <= 5)
            mode = m
        brightness = Map.brightnessStep(t0[Map.t0Index(3)])
        var sp = Map.speedStep(t0[Map.t0Index(4)])
        if (sp >= 0)
            speed = sp
        var l = []
        for (var i = 0; i < 7; ++i) {
            var c = Map.slotColorRead(t1, i)
            l.push(Map.rgbText(c[0], c[1], c[2]))
        }
        slotColors = l
        showChoice(Map.colorChoice(t0[Map.t0Index(5)]))
    }

    // Device event 0x0a: the colour choice the device switched to.
    function sycnFwData(type, data) {
        if (type === 0x0a)
            showChoice(Map.colorChoice(data))
    }

    function showChoice(c) {
        if (c < 0)
            return
        choice = c
        if (!eighth)
            showRgb(slotColors[c])
    }

    function showRgb(colorText) {
        rgb = [parseInt(colorText.substr(1, 2), 16), parseInt(colorText.substr(3, 2), 16),
               parseInt(colorText.substr(5, 2), 16)]
    }

    function setMode(m) {
        mode = m
        send(Map.modeWrite(m))
    }

    function setBrightness(step) {
        brightness = step
        send(Map.brightnessWrite(step))
    }

    function setSpeed(step) {
        speed = step
        send(Map.speedWrite(step))
    }

    function chooseColor(c) {
        showChoice(c)
        send(Map.colorChoiceWrite(c))
    }

    // A colour picked on the hue bar goes to the chosen slot on the device.
    function setSlotColor(r, g, b) {
        if (eighth)
            return
        var l = slotColors.slice()
        l[choice] = Map.rgbText(r, g, b)
        slotColors = l
        rgb = [r, g, b]
        send(Map.slotColorWrite(choice, r, g, b))
    }

    // Typed values only change the swatch on screen.
    function typeChannel(i, text) {
        var l = rgb.slice()
        l[i] = Map.clampByte(text)
        rgb = l
    }

    // The R, G or B field.
    function channelEdit(i) {
        return channels.itemAt(i).edit
    }

    function channelText(i) {
        return eighth ? "- - -" : String(rgb[i])
    }

    LazyImage {
        anchors.fill: parent
        picture: main.img("Pageled", "bg")
    }
    LazyImage {
        x: 40
        y: 110
        width: 360
        height: 420
        picture: main.img("Pageled", "mouse")
    }
    SectionTitle { x: 24; y: 14; text: page.txt(19) }

    SectionTitle { x: 460; y: 30; text: page.txt(0) }
    FickList {
        id: modeList
        objectName: "modeList"
        x: 460
        y: 66
        columns: 3
        itemWidth: 180
        model: page.modeNames
        currentIndex: page.mode
        fontFamily: main.fontFamily
        fontSize: main.fontNormalSize
        onValueChange: page.setMode(index)
    }
    SectionLabel { x: 460; y: 170; text: page.txt(7) }
    FickList {
        id: speedList
        objectName: "speedList"
        x: 460
        y: 200
        columns: 5
        itemWidth: 100
        model: ["1", "2", "3", "4", "5"]
        currentIndex: page.speed
        fontFamily: main.fontFamily
        fontSize: main.fontNormalSize
        onValueChange: page.setSpeed(index)
    }
    SectionLabel { x: 460; y: 256; text: page.txt(8) }
    FickList {
        id: brightList
        objectName: "brightList"
        x: 460
        y: 286
        columns: 5
        itemWidth: 100
        model: ["20%", "40%", "60%", "80%", "100%"]
        currentIndex: page.brightness
        fontFamily: main.fontFamily
        fontSize: main.fontNormalSize
        onValueChange: page.setBrightness(index)
    }
    SectionLabel { x: 460; y: 346; text: page.txt(9) }
    Row {
        x: 460
        y: 378
        spacing: 14
        Repeater {
            model: 8
            delegate: Item {
                width: 40
                height: 40
                Rectangle {
                    anchors.fill: parent
                    anchors.margins: 6
                    radius: width / 2
                    color: index < 7 ? page.slotColors[index] : "transparent"
                    border.color: main.baseColor
                    border.width: index < 7 ? 0 : 1
                    Text {
                        anchors.centerIn: parent
                        visible: index === 7
                        text: "\u221E"
                        color: main.baseColor
                        font.pixelSize: 18
                    }
                }
                LazyImage {
                    anchors.fill: parent
                    visible: index === page.choice
                    picture: main.img("PageLed", "swatch_ring")
                }
                MouseArea {
                    anchors.fill: parent
                    cursorShape: Qt.PointingHandCursor
                    onClicked: page.chooseColor(index)
                }
            }
        }
    }
    LazyImage {
        id: hue
        x: 460
        y: 446
        width: 360
        height: 20
        picture: main.img("PageLed", "hue")
        opacity: page.eighth ? 0.3 : 1
        MouseArea {
            anchors.fill: parent
            enabled: !page.eighth
            cursorShape: Qt.CrossCursor
            onClicked: {
                var c = Map.hueRgb(Math.max(0, Math.min(0.999, mouse.x / hue.width)))
                page.setSlotColor(c[0], c[1], c[2])
            }
        }
    }
    Rectangle {
        x: 840
        y: 430
        width: 52
        height: 52
        radius: 6
        color: page.eighth ? "transparent" : Map.rgbText(page.rgb[0], page.rgb[1], page.rgb[2])
        border.color: main.baseColor
    }
    Row {
        x: 460
        y: 490
        spacing: 16
        Repeater {
            id: channels
            model: 3
            delegate: Row {
                property alias edit: edit
                spacing: 16
                SectionLabel { text: page.txt(10 + index); anchors.verticalCenter: parent.verticalCenter }
                PngLineEdit {
                    id: edit
                    accepted: page.channelText(index)
                    validator: IntValidator { bottom: 0; top: 999 }
                    enabled: !page.eighth
                    onNewInput: page.typeChannel(index, text)
                }
            }
        }
    }
}
