// A Modbus master we did not write (Debian's libmodbus) against the
// simulated drive.
#include "link/DriveMap.h"
#include "sim/SimDrive.h"

#include <gtest/gtest.h>
#include <modbus.h>

#include <cerrno>

namespace velt::sim {
namespace {

class LibmodbusMaster : public ::testing::Test {
protected:
    void SetUp() override {
        SimOptions options;
        options.publish = false;
        options.baud = 19200;
        drive = std::make_unique<SimDrive>(options);
        ASSERT_TRUE(drive->Start());
        ctx = modbus_new_rtu(drive->DevicePath().c_str(), 19200, 'N', 8, 1);
        ASSERT_NE(ctx, nullptr);
        modbus_set_slave(ctx, 1);
        modbus_set_response_timeout(ctx, 1, 0);
        ASSERT_EQ(modbus_connect(ctx), 0) << modbus_strerror(errno);
    }
    void TearDown() override {
        if (ctx) {
            modbus_close(ctx);
            modbus_free(ctx);
        }
    }
    std::unique_ptr<SimDrive> drive;
    modbus_t* ctx = nullptr;
};

TEST_F(LibmodbusMaster, ReadsAndWritesEveryTableOfTheMap) {
    uint16_t regs[drive::MaxReadRegisters] = {};
    constexpr int kLastBlock = drive::ParamCount - drive::ReadBlockSize;
    ASSERT_EQ(modbus_read_registers(ctx, kLastBlock, drive::ReadBlockSize, regs), drive::ReadBlockSize)
        << modbus_strerror(errno);
    EXPECT_EQ(regs[drive::HardwareVersionRegister - kLastBlock], 12001);
    ASSERT_EQ(modbus_read_registers(ctx, 0, drive::MaxReadRegisters, regs), drive::MaxReadRegisters);
    EXPECT_EQ(regs[drive::ParamHomingHighSpeed], 50);
    ASSERT_EQ(modbus_write_register(ctx, 13, 1234), 1);
    EXPECT_EQ(drive->Holding(13), 1234);

    ASSERT_EQ(modbus_read_input_registers(ctx, 0, drive::StateCount, regs), drive::StateCount);
    EXPECT_EQ(regs[drive::StateActiveSet], 1);

    ASSERT_EQ(modbus_write_bit(ctx, 2, 1), 1);
    uint8_t bits[drive::BitCount] = {};
    ASSERT_EQ(modbus_read_bits(ctx, 0, drive::BitCount, bits), drive::BitCount);
    EXPECT_EQ(bits[2], 1);
    EXPECT_EQ(bits[1], 0);
    drive->SetInput(15, true);
    ASSERT_EQ(modbus_read_input_bits(ctx, 8, 8, bits), 8);
    EXPECT_EQ(bits[7], 1);
}

TEST_F(LibmodbusMaster, SeesTheDrivesExceptions) {
    uint16_t regs[16] = {};
    EXPECT_EQ(modbus_read_registers(ctx, 140, 8, regs), -1);
    EXPECT_EQ(errno, EMBXILADD);
    EXPECT_EQ(modbus_write_register(ctx, 0, 0), -1); // below HOMING HIGH SPEED's range
    EXPECT_EQ(errno, EMBXILVAL);
    drive->SetRefuse(14, true);
    EXPECT_EQ(modbus_write_register(ctx, 14, 1), -1);
    EXPECT_EQ(errno, EMBXSFAIL);
    EXPECT_EQ(modbus_write_bit(ctx, 5, 1), -1);
    EXPECT_EQ(errno, EMBXILADD);
    const uint16_t two[2] = {1, 2};
    EXPECT_EQ(modbus_write_registers(ctx, 0, 2, two), -1); // function 16 is not served
    EXPECT_EQ(errno, EMBXILFUN);
}

} // namespace
} // namespace velt::sim
