#include "app/inputrouter.h"

#include "app/keytranslation.h"
#include "app/mousetranslation.h"
#include "app/ui_controler.h"
#include "platform/inputobserver.h"

#include <QPointer>

namespace
{

class InputRouter : public QObject
{
public:
    InputRouter(InputSource* source, Ui_Controler* controller)
        : QObject(source), controller(controller)
    {
        connect(source, &InputSource::keyChanged, this, &InputRouter::onKey);
        connect(source, &InputSource::moved, this, &InputRouter::onMoved);
        connect(source, &InputSource::buttonChanged, this, &InputRouter::onButton);
        connect(source, &InputSource::wheelTurned, this, &InputRouter::onWheel);
    }

private:
    void onKey(int scanCode, bool extended, bool altDown, bool down)
    {
        const uint8_t usage = keytranslation::hidUsage({uint16_t(scanCode), extended}, altDown);
        if (controller && keyStates.change(usage, down))
            emit controller->evtHidKeyboardKey(int(usage), down);
    }

    void onMoved(int dx, int dy) { motion.add(dx, dy); }

    void onButton(int buttonId, bool down)
    {
        const mousetranslation::MotionSum::Delta delta = motion.takeForButton();
        if (controller)
            emit controller->evtRelativeMouseButton(buttonId, down, delta.x, delta.y);
    }

    void onWheel(int delta)
    {
        if (controller)
            emit controller->evtMouseWheel(delta, false);
    }

    QPointer<Ui_Controler> controller;
    keytranslation::KeyStates keyStates;
    mousetranslation::MotionSum motion;
};

} // namespace

void routeInput(InputSource* source, Ui_Controler* controller)
{
    new InputRouter(source, controller);
}
