// The only file that includes libftdi's header: it declares global names such as NONE and EVEN.
#include "link/libftdi/LibFtdiDriver.h"

#include <ftdi.h>
#include <libusb.h>

namespace {

constexpr int kVendorId = 0x0403;
constexpr int kProductId = 0x6015; // FT230X

class LibFtdiPort : public FtdiPort {
public:
    ~LibFtdiPort() override {
        if (ctx_) {
            if (open_)
                ftdi_usb_close(ctx_);
            ftdi_free(ctx_);
        }
    }

    bool enumerate(std::vector<Listed>& bridges) override {
        if (!context())
            return false;
        ftdi_device_list* list = nullptr;
        const int count = ftdi_usb_find_all(ctx_, &list, kVendorId, kProductId);
        if (count < 0)
            return false;
        for (ftdi_device_list* d = list; d; d = d->next) {
            char description[64] = {};
            char serial[64] = {};
            // A bridge we may not open (no udev rule yet) is still listed, without strings.
            const int rc = ftdi_usb_get_strings2(ctx_, d->dev, nullptr, 0, description, sizeof description,
                                                 serial, sizeof serial);
            const std::string location = std::to_string(libusb_get_bus_number(d->dev)) + "-" +
                                         std::to_string(libusb_get_device_address(d->dev));
            bridges.push_back({serial, description, location, rc == 0});
        }
        ftdi_list_free(&list);
        return true;
    }

    bool open(const std::string& serial, bool& notFound) override {
        notFound = false;
        if (!context())
            return false;
        const int rc = ftdi_usb_open_desc(ctx_, kVendorId, kProductId, nullptr, serial.c_str());
        if (rc < 0) {
            notFound = rc == -3;
            return false;
        }
        open_ = true;
        // One-byte replies come back within a millisecond instead of up to sixteen.
        ftdi_set_latency_timer(ctx_, 1);
        ctx_->usb_read_timeout = 50;
        return true;
    }

    void close() override {
        if (open_)
            ftdi_usb_close(ctx_);
        open_ = false;
    }

    bool setBaudRate(std::uint32_t baudRate) override {
        return ftdi_set_baudrate(ctx_, static_cast<int>(baudRate)) == 0;
    }

    bool setLineProperties(std::uint8_t wordLength, std::uint8_t stopBits, std::uint8_t parity) override {
        const ftdi_bits_type bits = wordLength == 7 ? BITS_7 : BITS_8;
        const ftdi_stopbits_type stop = stopBits == 2 ? STOP_BIT_2 : STOP_BIT_1;
        return ftdi_set_line_property(ctx_, bits, stop, static_cast<ftdi_parity_type>(parity)) == 0;
    }

    // The older purge calls have their meanings swapped; these name the queues as the editor does.
    bool purgeRx() override { return ftdi_tciflush(ctx_) == 0; }
    bool purgeTx() override { return ftdi_tcoflush(ctx_) == 0; }

    int write(const std::uint8_t* data, std::uint32_t count) override {
        return ftdi_write_data(ctx_, data, static_cast<int>(count));
    }

    int read(std::uint8_t* buffer, std::uint32_t max) override {
        const int n = ftdi_read_data(ctx_, buffer, static_cast<int>(max));
        if (n == LIBUSB_ERROR_TIMEOUT)
            return 0;
        return n;
    }

private:
    ftdi_context* context() {
        if (!ctx_)
            ctx_ = ftdi_new();
        return ctx_;
    }

    ftdi_context* ctx_ = nullptr;
    bool open_ = false;
};

} // namespace

std::unique_ptr<FtdiPort> makeLibFtdiPort() {
    return std::make_unique<LibFtdiPort>();
}
