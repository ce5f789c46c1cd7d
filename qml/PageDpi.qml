import QtQuick 2.12
import "DeviceMap.js" as Map

// DPI levels, report rate, sensor and power options, key response, sleep and lift-off.
Item {
    id: page
    width: 1060
    height: 640

    property int levelCount: 4
    property int curLevel: 0
    property var dpiValues: [400, 800, 1600, 3200, 6400, 12800, 25600, 26000]
    property var levelColors: ["#ff0000", "#00ff00", "#0000ff", "#ffff00", "#ff00ff", "#00ffff", "#ffffff", "#e4002b"]
    property int ratePos: 3
    readonly property int rateCount: Map.rateCount(main.mouseOnlineDev, main.dongleOnlineDev)
    property bool powerTurbo: false
    property bool workTurbo: false
    property bool sw1: false
    property bool sw2: false
    property bool sw3: false
    property int liftPos: -1
    property int delayPos: -1
    property int sleepPos: -1
    property var modeNames: [" ", " "]
    readonly property var delayNames: buildDelayNames()
    readonly property alias rateList: rateList
    readonly property alias slider: slider
    readonly property alias delayDrop: delayDrop
    readonly property alias sleepDrop: sleepDrop
    readonly property alias liftDrop: liftDrop

    function txt(i) {
        return main.lang(main.pgSystemLang, i)
    }

    function send(w) {
        hid.hid_Send8ByteData(w[0], w[1], w[2], w[3], w[4], w[5], w[6])
    }

    function buildDelayNames() {
        var l = []
        for (var i = 1; i <= Map.keyDelayMax; ++i)
            l.push(i + " MS")
        return l
    }

    function initListStr() {
        modeNames = [txt(6), txt(7)]
    }

    function initUI(t0, t1) {
        levelCount = Map.dpiLevelCount(t1)
        var values = []
        var colors = []
        for (var i = 0; i < Map.DPI_LEVELS_MAX; ++i) {
            values.push(Map.dpiRead(t1, i))
            colors.push(Map.dpiLevelColor(t1, i))
        }
        dpiValues = values
        levelColors = colors
        selectLevel(t0[Map.t0Index(1)])
        var pos = Map.ratePosition(t0[Map.t0Index(0)])
        if (pos >= 0)
            showRate(pos)
        var s = Map.decodeSensorFlags(t1[Map.t1Index(2)])
        powerTurbo = s.powerTurbo
        workTurbo = s.workTurbo
        sw1 = s.sw1
        sw2 = s.sw2
        sw3 = s.sw3
        var e = Map.keyDelayEntry(t1)
        if (e >= 0)
            delayPos = e
        e = Map.sleepEntry(t1)
        if (e >= 0)
            sleepPos = e
        e = Map.liftEntry(t1)
        if (e >= 0)
            liftPos = e
    }

    // Device events: 0x0b a new DPI level, 0xf0 a new report-rate code.
    function sycnFwData(type, data) {
        if (type === 0x0b) {
            selectLevel(data)
        } else if (type === 0xf0) {
            var pos = Map.ratePosition(data)
            if (pos >= 0)
                showRate(pos)
        }
    }

    // Shows a rate without writing; a 1K link cannot show more than its fourth rate.
    function showRate(pos) {
        ratePos = Math.min(pos, rateCount - 1)
    }

    function resetRateShow() {
        showRate(ratePos)
    }

    function selectLevel(level) {
        if (level < 0 || level >= levelCount)
            return
        curLevel = level
        slider.setValue(dpiValues[level])
        dpiEdit.accepted = String(dpiValues[level])
    }

    function chooseLevel(level) {
        selectLevel(level)
        send(Map.levelWrite(level))
    }

    function setDpiValue(value) {
        var v = Map.clampDpi(value)
        var values = dpiValues.slice()
        values[curLevel] = v
        dpiValues = values
        slider.setValue(v)
        dpiEdit.accepted = String(v)
        send(Map.dpiWrite(curLevel, v))
    }

    function sensorState() {
        return { powerTurbo: powerTurbo, workTurbo: workTurbo, sw1: sw1, sw2: sw2, sw3: sw3 }
    }

    function writeSensor() {
        send(Map.sensorWrite(sensorState()))
    }

    function setRate(pos) {
        if (pos < 0 || pos >= rateCount)
            return
        var plan = Map.rateFlagPlan(ratePos, pos)
        if (plan !== null) {
            workTurbo = plan.workTurbo
            powerTurbo = plan.powerTurbo
            sw2 = plan.sw2
            writeSensor()
        }
        ratePos = pos
        send(Map.rateWrite(pos))
    }

    LazyImage {
        anchors.fill: parent
        picture: main.img("PageDpi", "bg")
        // A click beside the DPI field ends its editing at once; the press still drags the window.
        MouseArea {
            anchors.fill: parent
            onPressed: {
                main.setMainFouces()
                mouse.accepted = false
            }
        }
    }

    SectionTitle { x: 24; y: 14; text: page.txt(0) }
    Row {
        x: 24
        y: 52
        spacing: 16
        Repeater {
            model: page.levelCount
            delegate: DpiStage {
                level: index
                selected: index === page.curLevel
                value: page.dpiValues[index]
                dotColor: page.levelColors[index]
                label: page.txt(12) + " " + (index + 1)
                onClicked: page.chooseLevel(index)
            }
        }
    }
    SectionLabel { x: 40; y: 150; text: page.txt(1) }
    SliderButton {
        id: slider
        x: 40
        y: 190
        onValueChange: page.setDpiValue(value)
    }
    SectionLabel { x: 40; y: 226; text: "200" }
    SectionLabel { x: 741; y: 226; text: "26000" }
    Text {
        x: 830
        y: 150
        text: slider.value
        color: main.selectColor
        font.family: main.fontFamily
        font.pixelSize: main.fontTitleSize
    }
    PngLineEdit {
        id: dpiEdit
        objectName: "dpiEdit"
        x: 830
        y: 188
        fontFamily: main.fontFamily
        fontSize: main.fontNormalSize
        // Any number is taken and brought into the range; the field then shows what was written.
        validator: IntValidator { bottom: 0; top: 99999 }
        onNewInput: page.setDpiValue(parseInt(text, 10))
    }

    SectionTitle { x: 24; y: 306; text: page.txt(2) }
    FickList {
        id: rateList
        objectName: "rateList"
        x: 24
        y: 342
        itemWidth: 120
        model: Map.rateNames.slice(0, page.rateCount)
        currentIndex: page.ratePos
        fontFamily: main.fontFamily
        fontSize: main.fontNormalSize
        onValueChange: page.setRate(index)
    }
    SectionLabel { x: 24; y: 440; text: page.txt(4) }
    OptionPair {
        x: 200
        y: 436
        names: page.modeNames
        first: page.powerTurbo
        onChosen: { page.powerTurbo = isFirst; page.writeSensor() }
    }
    SectionLabel { x: 24; y: 480; text: page.txt(5) }
    OptionPair {
        x: 200
        y: 476
        names: page.modeNames
        first: page.workTurbo
        onChosen: { page.workTurbo = isFirst; page.writeSensor() }
    }
    SectionTitle { x: 24; y: 522; text: page.txt(3) }
    Row {
        x: 24
        y: 560
        spacing: 20 // the longest labels stay clear of the divider
        CheckBoxBtn {
            text: page.txt(14); checked: page.sw1
            fontFamily: main.fontFamily; fontSize: main.fontNormalSize
            onBtnClicked: { page.sw1 = !page.sw1; page.writeSensor() }
        }
        CheckBoxBtn {
            text: page.txt(15); checked: page.sw2
            fontFamily: main.fontFamily; fontSize: main.fontNormalSize
            onBtnClicked: { page.sw2 = !page.sw2; page.writeSensor() }
        }
        CheckBoxBtn {
            text: page.txt(16); checked: page.sw3
            fontFamily: main.fontFamily; fontSize: main.fontNormalSize
            onBtnClicked: { page.sw3 = !page.sw3; page.writeSensor() }
        }
    }

    SectionTitle { x: 600; y: 306; text: page.txt(13) }
    SectionLabel { x: 600; y: 344; text: page.txt(8) }
    SectionLabel { x: 830; y: 344; text: page.txt(9) }
    SectionLabel { x: 600; y: 430; text: page.txt(10) }
    PngDropDown {
        id: liftDrop
        x: 600
        y: 460
        width: 200
        model: Map.liftNames
        currentIndex: page.liftPos
        fontFamily: main.fontFamily
        fontSize: main.fontNormalSize
        onListElementClicked: {
            page.liftPos = index
            page.send(Map.liftWrite(index))
        }
    }
    PngDropDown {
        id: delayDrop
        x: 600
        y: 374
        width: 200
        model: page.delayNames
        currentIndex: page.delayPos
        fontFamily: main.fontFamily
        fontSize: main.fontNormalSize
        onListElementClicked: {
            page.delayPos = index
            page.send(Map.keyDelayWrite(index))
        }
    }
    PngDropDown {
        id: sleepDrop
        x: 830
        y: 374
        width: 200
        model: Map.sleepNames
        currentIndex: page.sleepPos
        fontFamily: main.fontFamily
        fontSize: main.fontNormalSize
        onListElementClicked: {
            page.sleepPos = index
            page.send(Map.sleepWrite(index))
        }
    }
    Row {
        x: 600
        y: 590
        spacing: 8
        LazyImage {
            width: 20
            height: 20
            picture: main.img("PageDpi", "link")
        }
        Text {
            objectName: "mouseSettingsLink"
            text: page.txt(11)
            color: linkArea.containsMouse ? main.colorHightLight : main.baseColor
            font.family: main.fontFamily
            font.pixelSize: main.fontNormalSize
            font.underline: true
            MouseArea {
                id: linkArea
                anchors.fill: parent
                hoverEnabled: true
                cursorShape: Qt.PointingHandCursor
                onClicked: {
                    if (!ui_View.openWinMouseSetting())
                        ui_Ctl.msgbox(page.txt(17), page.txt(18), true)
                }
            }
        }
    }
}
