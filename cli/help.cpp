#include "cli/help.h"

#include <QMap>

QString overviewHelp()
{
    return QStringLiteral(
        "Usage: quillexctl [--json] COMMAND [ARGUMENTS]\n"
        "Reads and changes the settings of a Quillex mouse and its receivers.\n"
        "\n"
        "Commands:\n"
        "  list                      the devices connected\n"
        "  show [DEVICE]             every setting of a device\n"
        "  set SETTING VALUE...      change one setting (quillexctl set --help)\n"
        "  profile N                 switch to profile N (1-3)\n"
        "  macro N --from FILE       store macro N (1-10) and send it to the mouse\n"
        "  export FILE               save the current profile's settings in FILE\n"
        "  import FILE [--yes]       restore the settings saved in FILE\n"
        "  reset --yes               factory settings for the current profile\n"
        "  pair                      pair the receiver with the mouse on its cable\n"
        "  update [--folder DIR]     update the firmware\n"
        "\n"
        "Options:\n"
        "  --json                    results as JSON\n"
        "  -h, --help                this help, or a command's (quillexctl COMMAND --help)\n"
        "  --version                 the program's version\n"
        "\n"
        "Exit status: 0 done, 1 the device failed or refused, 2 wrong usage or a file that\n"
        "cannot be used (nothing was written), 3 no device, or Quillex is running and owns\n"
        "the devices.\n");
}

QString commandHelp(const QString& command)
{
    static const QMap<QString, QString> help{
        {QStringLiteral("list"),
         QStringLiteral("Usage: quillexctl [--json] list\n"
                        "Lists the connected devices: position, product, model, kind, connection,\n"
                        "firmware release and, when known, the battery level.\n")},
        {QStringLiteral("show"),
         QStringLiteral(
             "Usage: quillexctl [--json] show [DEVICE]\n"
             "Shows every setting of DEVICE: \"mouse\", \"receiver\" or a position from\n"
             "`list`. Without DEVICE: the mouse when it is connected, else its receiver.\n")},
        {QStringLiteral("set"),
         QStringLiteral(
             "Usage: quillexctl set SETTING VALUE...\n"
             "  dpi LEVEL VALUE           DPI of level LEVEL: 200 to 26000 in steps of 100\n"
             "  level N                   the DPI level in use\n"
             "  rate HZ                   report rate: 125 250 500 1000 (8K: 2000 4000 8000)\n"
             "  lighting EFFECT [--speed 1-5] [--brightness 20|40|60|80|100]\n"
             "           [--slot 1-7|cycle] [--color RRGGBB]\n"
             "                            EFFECT: off static breath neon click-on wave;\n"
             "                            --color sets the colour of the slot chosen\n"
             "  button N ACTION [--yes]   button N (1-7): left-key right-key middle-key\n"
             "                            forward forback dpi-plus dpi-minus dpi-loop report-rate\n"
             "                            web-browser play-pause mute prev-track next-track\n"
             "                            stop media-player volume-up volume-down calculator\n"
             "                            fire-key sniper-key, keys:HH[+HH[+HH]] (HID usages),\n"
             "                            macro:N or macro:N:repeat (macro N must be stored;\n"
             "                            it is sent to the mouse first); --yes gives away\n"
             "                            the last left click\n"
             "  sensor turbo|power-saving the sensor mode\n"
             "  sensor motion-sync|ripple-control|angle-snapping on|off\n"
             "  power turbo|power-saving  the power mode\n"
             "  lod 1|2                   lift-off distance in mm\n"
             "  sleep SECONDS             10 30 60 180 300 600 900 1800\n"
             "  debounce MS               key response, 1 to 30 ms\n")},
        {QStringLiteral("profile"),
         QStringLiteral("Usage: quillexctl profile N\n"
                        "Switches the mouse to profile N (1-3); the window follows.\n")},
        {QStringLiteral("macro"),
         QStringLiteral(
             "Usage: quillexctl macro N --from FILE\n"
             "Stores macro N (1-10) of the current profile and sends it to the mouse.\n"
             "FILE holds {\"actions\": [...]}, the action list as a settings file has it.\n")},
        {QStringLiteral("export"),
         QStringLiteral(
             "Usage: quillexctl export FILE\n"
             "Saves DPI levels, report rate, sensor and power settings, lighting, buttons\n"
             "and the stored macros of the current profile as JSON (format\n"
             "\"quillex-settings\", version 1).\n")},
        {QStringLiteral("import"),
         QStringLiteral(
             "Usage: quillexctl import FILE [--yes]\n"
             "Writes the settings saved by export to the current profile. The whole file\n"
             "is checked first: a file refused changes nothing, and the message names the\n"
             "field. A file that gives no button the left click needs --yes.\n")},
        {QStringLiteral("reset"),
         QStringLiteral(
             "Usage: quillexctl reset --yes\n"
             "Puts the current profile and the lighting back to factory settings. Stored\n"
             "macros are kept.\n")},
        {QStringLiteral("pair"),
         QStringLiteral("Usage: quillexctl pair\n"
                        "Pairs the receiver with the mouse; both must be plugged in by cable.\n")},
        {QStringLiteral("update"),
         QStringLiteral(
             "Usage: quillexctl update [--folder DIR]\n"
             "Updates the receiver and then the mouse from the firmware shipped with\n"
             "Quillex, or one device from the firmware folder DIR. Shows a progress bar\n"
             "on a terminal and plain lines otherwise.\n")},
    };
    return help.value(command);
}
