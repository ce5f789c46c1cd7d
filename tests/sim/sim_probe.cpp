// A separate process talking to the virtual devices through the daemon-backed hidapi library,
// the way quillex and update do. Usage: sim_probe <vid> <pid> <op>...
//   enum | send:<hex> | write:<hex> | read | get | event | wait-change
// send/write/read/get use the command interface (usage page FF10), event the event interface
// (FF11); every transfer opens and closes its own handle.
#include <hidapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <vector>

extern "C" int quillex_sim_change_fd(void);

namespace
{

unsigned short vid, pid;

std::vector<unsigned char> parseHex(const std::string& text)
{
    std::vector<unsigned char> out;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        out.push_back(static_cast<unsigned char>(std::stoul(text.substr(i, 2), nullptr, 16)));
    return out;
}

void printBytes(const char* label, int n, const unsigned char* data)
{
    std::printf("%s %d:", label, n);
    for (int i = 0; i < n; ++i)
        std::printf(" %02X", data[i]);
    std::printf("\n");
}

hid_device* openInterface(unsigned short usagePage)
{
    hid_device_info* list = hid_enumerate(vid, pid);
    std::string path;
    for (hid_device_info* d = list; d; d = d->next)
        if (d->usage_page == usagePage)
            path = d->path;
    hid_free_enumeration(list);
    return path.empty() ? nullptr : hid_open_path(path.c_str());
}

void run(const std::string& op)
{
    if (op == "enum") {
        hid_device_info* list = hid_enumerate(vid, pid);
        for (hid_device_info* d = list; d; d = d->next)
            std::printf("%s %04X:%04X release %04X\n", d->path, d->usage_page, d->usage,
                        d->release_number);
        hid_free_enumeration(list);
        return;
    }
    if (op == "wait-change") {
        const int fd = quillex_sim_change_fd();
        std::printf("subscribed %d\n", fd >= 0);
        std::fflush(stdout);
        pollfd p = {fd, POLLIN, 0};
        std::printf(::poll(&p, 1, 5000) == 1 ? "changed\n" : "no change\n");
        return;
    }
    hid_device* dev = openInterface(op == "event" ? 0xFF11 : 0xFF10);
    if (!dev) {
        std::printf("%s open failed\n", op.c_str());
        return;
    }
    unsigned char buf[65] = {};
    if (op.rfind("send:", 0) == 0) {
        const auto bytes = parseHex(op.substr(5));
        std::printf("send %d\n", hid_send_feature_report(dev, bytes.data(), bytes.size()));
    } else if (op.rfind("write:", 0) == 0) {
        auto bytes = parseHex(op.substr(6));
        bytes.resize(65, 0);
        std::printf("write %d\n", hid_write(dev, bytes.data(), bytes.size()));
    } else if (op == "read") {
        const int n = hid_read_timeout(dev, buf, sizeof buf, 500);
        printBytes("read", n, buf);
    } else if (op == "get") {
        const int n = hid_get_feature_report(dev, buf, 9);
        printBytes("get", n, buf);
    } else if (op == "event") {
        const int n = hid_read_timeout(dev, buf, 64, 2000);
        printBytes("event", n, buf);
    }
    hid_close(dev);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    vid = static_cast<unsigned short>(std::strtoul(argv[1], nullptr, 16));
    pid = static_cast<unsigned short>(std::strtoul(argv[2], nullptr, 16));
    for (int i = 3; i < argc; ++i) {
        run(argv[i]);
        std::fflush(stdout);
    }
    return 0;
}
