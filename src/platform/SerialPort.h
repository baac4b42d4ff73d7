#pragma once
// Byte transport to a receiver: a serial device or a pseudo-terminal.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvance {

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens the device raw (8N1, no flow control) at `baud`.
    virtual bool open(const std::string& device, uint32_t baud) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual const std::string& device() const = 0;
    // Why the last open failed, naming the device and the system's reason;
    // a failed open always sets it, a successful one clears it.
    virtual const std::string& lastError() const = 0;

    virtual bool setBaudRate(uint32_t baud) = 0;
    virtual uint32_t baudRate() const = 0;

    // Writes every byte (waiting for the line when needed); false on failure.
    virtual bool writeAll(const uint8_t* data, size_t size) = 0;
    bool writeAll(const std::vector<uint8_t>& data) { return writeAll(data.data(), data.size()); }
    // One byte, or -1 when none arrived within timeoutMs (or the port failed).
    virtual int readByte(int timeoutMs) = 0;
    // Whatever is available now, up to `max` bytes, waiting at most timeoutMs for the first.
    virtual size_t read(uint8_t* buffer, size_t max, int timeoutMs) = 0;
    // Bytes received and not read yet.
    virtual size_t bytesQueued() = 0;
    virtual void flushInput() = 0;

    // Waits until data arrive (true), the timeout passes or wake() is called
    // from another thread (false). A negative timeout waits without limit.
    virtual bool waitForData(int timeoutMs) = 0;
    // Thread-safe: ends a waitForData() in progress (or the next one).
    virtual void wake() = 0;
    // The device went away (hang-up, or a read error as when a USB adapter is
    // pulled out): nothing more arrives on this handle; only opening the
    // device again can bring it back.
    virtual bool lost() const { return false; }
};

class PosixSerialPort : public SerialPort {
public:
    PosixSerialPort();
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    bool open(const std::string& device, uint32_t baud) override;
    void close() override;
    bool isOpen() const override { return fd_ >= 0; }
    const std::string& device() const override { return device_; }
    bool setBaudRate(uint32_t baud) override;
    uint32_t baudRate() const override { return baud_; }
    bool writeAll(const uint8_t* data, size_t size) override;
    using SerialPort::writeAll;
    int readByte(int timeoutMs) override;
    size_t read(uint8_t* buffer, size_t max, int timeoutMs) override;
    size_t bytesQueued() override;
    void flushInput() override;
    bool waitForData(int timeoutMs) override;
    void wake() override;
    const std::string& lastError() const override { return error_; }
    bool lost() const override { return lost_; }

private:
    int fd_ = -1;
    int wakeFd_ = -1;  // eventfd
    uint32_t baud_ = 0;
    bool lost_ = false;
    std::string device_;
    std::string error_;
};

// What a person lacking permission for `device` can do about it, as a text to
// follow the system's reason: the group that owns the device ("dialout" on
// Debian) and how to join it; "" when the device cannot be looked at.
std::string permissionRemedy(const std::string& device);

// Serial devices present, in the order port numbers count them:
// /dev/ttyUSB*, then /dev/ttyACM*, then /dev/ttyS*, each sorted by number.
std::vector<std::string> listSerialDevices();
// The device of port number n (1-based), or "" when there are fewer devices.
std::string serialDeviceForPort(int portNumber);
// An explicit device path wins over the port number.
std::string resolveSerialDevice(const std::string& explicitDevice, int portNumber);
// The stable name udev gives the device in `byIdFolder`
// ("usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0"), or "".
std::string serialByIdName(const std::string& device, const std::string& byIdFolder = "/dev/serial/by-id");
// What the port setting stands for on this machine, for a person:
// "/dev/ttyUSB0 (usb-...-port0)", the device alone, "... (set by CommDevice)"
// for an explicit device, or "none".
std::string describeSerialPort(const std::string& explicitDevice, int portNumber,
                               const std::string& byIdFolder = "/dev/serial/by-id");

}  // namespace korvance
