#include "link/D2XXUnit.h"
#include "support/FakeFtDriver.h"
#include "support/ScriptedServices.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct LinkFixture : ::testing::Test {
    ScriptedServices services;
    FakeFtDriver driver;
    UsbLink link{driver, services};

    void SetUp() override {
        driver.bridges = {{"A1", "Pedal"}};
        ASSERT_EQ(link.Open_USB_Device_By_Serial_Number("A1"), FT_OK);
    }
};

TEST(FtStatusTextTest, EveryStatusHasItsText) {
    const std::vector<std::pair<FtStatus, const char*>> cases = {
        {1, " - Invalid handle..."},
        {2, " - Device not found..."},
        {3, " - Device not opened..."},
        {4, " - General IO error..."},
        {5, " - Insufficient resources..."},
        {6, " - Invalid parameter..."},
        {7, " - Invalid baud rate..."},
        {8, " Device not opened for erase..."},
        {9, " Device not opened for write..."},
        {10, " - Failed to write..."},
        {11, " - EEPROM read failed..."},
        {12, " - EEPROM write failed..."},
        {13, " - EEPROM erase failed..."},
        {14, " - EEPROM not present..."},
        {15, " - EEPROM not programmed..."},
        {16, " - Invalid arguments..."},
        {17, " - Other error ..."},
        {18, " - Unknown driver status 18..."},
        {4000, " - Unknown driver status 4000..."},
    };
    for (const auto& [status, text] : cases)
        EXPECT_EQ(ftStatusText(status), QString::fromLatin1(text)) << status;
}

TEST(UsbLinkReportTest, EachOperationReportsItsLabelOnlyWhileReportingIsOn) {
    struct Case {
        const char* failing;
        const char* label;
        std::function<void(UsbLink&)> run;
    };
    const std::vector<Case> cases = {
        {"count", "GetFTDeviceCount", [](UsbLink& l) { l.GetFTDeviceCount(); }},
        {"serial", "GetFTDeviceSerialNo", [](UsbLink& l) { l.GetFTDeviceSerialNo(0); }},
        {"description", "GetFTDeviceDescription", [](UsbLink& l) { l.GetFTDeviceDescription(0); }},
        {"open", "Open_USB_Device_By_Serial_Number",
         [](UsbLink& l) { l.Open_USB_Device_By_Serial_Number("A1"); }},
        {"close", "FT_Close", [](UsbLink& l) { l.CloseDevice(); }},
        {"read", "FT_Read", [](UsbLink& l) { l.ReadDevice(); }},
        {"write", "FT_Write", [](UsbLink& l) { l.WriteDevice(3); }},
        {"baud", "FT_SetBaudRate", [](UsbLink& l) { l.SetDeviceBaudRate(); }},
        {"data", "FT_SetDataCharacteristics", [](UsbLink& l) { l.SetDeviceDataCharacteristics(); }},
        {"purge", "FT_Purge RX", [](UsbLink& l) { l.PurgeDeviceRx(); }},
        {"purge", "FT_Purge TX", [](UsbLink& l) { l.PurgeDeviceTx(); }},
        {"queue", "FT_GetQueueStatus", [](UsbLink& l) { l.GetDeviceQueueStatus(); }},
    };
    for (const Case& c : cases) {
        ScriptedServices services;
        FakeFtDriver driver;
        driver.bridges = {{"A1", "Pedal"}};
        driver.failOn(c.failing, FT_DEVICE_NOT_OPENED_FOR_ERASE);
        UsbLink link(driver, services);
        link.reportDriverErrors = false;
        c.run(link);
        EXPECT_TRUE(services.messages.isEmpty()) << c.label;
        link.reportDriverErrors = true;
        c.run(link);
        EXPECT_EQ(services.messages,
                  QStringList{QString::fromLatin1(c.label) + " Device not opened for erase..."})
            << c.label;
    }
}

TEST_F(LinkFixture, OpenCutsTheSerialNumberTo49Characters) {
    const QString longSerial(60, u'S');
    link.Open_USB_Device_By_Serial_Number(longSerial);
    EXPECT_EQ(driver.openedSerials.back(), std::string(49, 'S'));
    EXPECT_EQ(link.openSerialNumber[49], 0);
}

TEST_F(LinkFixture, ListingKeepsTheStringUpToItsNul) {
    driver.bridges = {{"FT5XYZ12", "FT230X Basic UART"}};
    ASSERT_EQ(link.GetFTDeviceCount(), FT_OK);
    EXPECT_EQ(link.deviceCount, 1u);
    link.GetFTDeviceSerialNo(0);
    EXPECT_EQ(link.listedDeviceString, "FT5XYZ12");
    link.GetFTDeviceDescription(0);
    EXPECT_EQ(link.listedDeviceString, "FT230X Basic UART");

    driver.bridges.clear();
    ASSERT_EQ(link.GetFTDeviceCount(), FT_OK);
    EXPECT_EQ(link.deviceCount, 0u);
}

TEST_F(LinkFixture, ReadsOverwriteTheStartOfTheBufferAndLeaveTheTail) {
    EXPECT_EQ(link.ReadDevice(), 0u);
    EXPECT_EQ(link.rxBuffer[0], 0);

    driver.queueReply("ABCDEF");
    EXPECT_EQ(link.ReadDevice(), 6u);
    driver.queueReply("xy");
    EXPECT_EQ(link.ReadDevice(), 2u);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(link.rxBuffer.data()), 6), "xyCDEF");

    EXPECT_EQ(link.ReadDevice(), 0u);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(link.rxBuffer.data()), 6), "xyCDEF");
}

TEST_F(LinkFixture, ReadNeverWritesPastTheReceiveBuffer) {
    // More queued than the buffer holds: one read takes a full buffer, the rest waits.
    QByteArray flood(kUsbBufferSize + 4464, 'z');
    flood[kUsbBufferSize] = 'Q';
    driver.queueReply(flood);
    EXPECT_EQ(link.ReadDevice(), kUsbBufferSize);
    EXPECT_EQ(link.ReadDevice(), 4464u);
    EXPECT_EQ(link.rxBuffer[0], 'Q');
}

TEST_F(LinkFixture, WriteSendsTheFirstBytesOfTheTransmitBuffer) {
    link.txBuffer[0] = 0x06;
    link.txBuffer[1] = 0x00;
    link.txBuffer[2] = 0x99;
    EXPECT_EQ(link.WriteDevice(2), 2u);
    EXPECT_EQ(driver.writes.back(), QByteArray::fromHex("0600"));
}

TEST_F(LinkFixture, SerialParametersChangeOnlyTheVariablesUntilApplied) {
    const int callsBefore = static_cast<int>(driver.calls.size());
    link.SetSerialParameters(SerialMode::Bootloader);
    EXPECT_EQ(driver.calls.size(), callsBefore);
    EXPECT_EQ(link.baudRate, 115200u);
    EXPECT_EQ(link.wordLength, 8);
    EXPECT_EQ(link.stopBits, 0);
    EXPECT_EQ(link.parity, 2);
    link.SetDeviceDataCharacteristics();
    EXPECT_EQ(driver.calls.back(), "SetDataCharacteristics(8,0,2)");
    link.SetSerialParameters(SerialMode::Normal);
    EXPECT_EQ(link.parity, 0);
}

} // namespace
