import QtQuick 2.12

SceneTestCase {
    name: "Scene"

    function test_initial_properties() {
        compare(scene.deviceStr, "")
        compare(scene.mouseOnlineDev, 0)
        compare(scene.dongleOnlineDev, 0)
        compare(scene.isBusy, false)
        compare(scene.isInitUiStr, true)
        compare(scene.isNeedUpdateFw, false)
        compare(scene.isMacroLock, true)
        compare(scene.layoutType, 2)
        compare(scene.scaling, 1.0)
        compare(scene.fontFamily, "times new roman")
        compare(scene.fontNormalSize, 18)
        compare(scene.fontTitleSize, 22)
        compare(scene.baseColor, "#d9d9d9")
        compare(scene.selectColor, "#ffffff")
        compare(scene.colorHightLight, "#e4002b")
        compare(scene.mainLang.length, 20)
        compare(scene.pgKeyLang.length, 40)
        compare(scene.pgUpdateLang[0], " ")
    }
}
