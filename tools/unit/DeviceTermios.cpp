// Through termios2, which Linux has for speeds without a B constant (14400, 28800, 56000,
// 76800 bit/s); its header cannot share a file with <termios.h>.
#include "DeviceTermios.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>

std::string configureDevice(int fd, const LineSettings& line) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) {
        return std::strerror(errno);
    }
    t.c_iflag = INPCK | PARMRK;
    t.c_oflag = 0;
    t.c_lflag = 0;
    t.c_cflag = CREAD | CLOCAL | BOTHER | (BOTHER << IBSHIFT) | (line.dataBits == 7 ? CS7 : CS8);
    if (line.hasParity()) {
        t.c_cflag |= PARENB | (line.parity == LineSettings::Parity::Odd ? PARODD : 0);
    }
    if (line.stopHalves > 2) {
        t.c_cflag |= CSTOPB;
    }
    t.c_ispeed = line.speed;
    t.c_ospeed = line.speed;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (ioctl(fd, TCSETS2, &t) != 0) {
        return std::strerror(errno);
    }
    return {};
}
