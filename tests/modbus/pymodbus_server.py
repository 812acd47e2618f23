"""A Modbus server built on pymodbus, the second third-party peer of the
interoperability test: Modbus TCP ("tcp") or RTU frames over TCP ("rtu"),
serving unit 1 on 127.0.0.1. Prints the line name to use and serves until
its stdin closes.

Registers as libmodbus_slave.cpp has them: coil i and discrete input i from
the bit patterns 0x03A5 and 0x8001, holding register i = 3 * i (register 5 =
-2), input register i = 1000 + i (register 31 = -32768)."""
import asyncio
import logging
import sys

from pymodbus.datastore import ModbusSequentialDataBlock, ModbusServerContext, ModbusSlaveContext
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.framer.socket_framer import ModbusSocketFramer
from pymodbus.server.async_io import ModbusTcpServer


def registers():
    coils = [(0x03A5 >> i) & 1 for i in range(16)]
    inputs = [(0x8001 >> i) & 1 for i in range(16)]
    holding = [(3 * i) & 0xFFFF for i in range(200)]
    holding[5] = 0xFFFE
    input_regs = [1000 + i for i in range(32)]
    input_regs[31] = 0x8000
    return ModbusSlaveContext(
        co=ModbusSequentialDataBlock(0, coils),
        di=ModbusSequentialDataBlock(0, inputs),
        hr=ModbusSequentialDataBlock(0, holding),
        ir=ModbusSequentialDataBlock(0, input_regs),
        zero_mode=True,
    )


async def main():
    logging.disable(logging.CRITICAL)
    rtu = len(sys.argv) > 1 and sys.argv[1] == "rtu"
    context = ModbusServerContext(slaves={1: registers()}, single=False)
    server = ModbusTcpServer(
        context, framer=ModbusRtuFramer if rtu else ModbusSocketFramer, address=("127.0.0.1", 0)
    )
    asyncio.create_task(server.serve_forever())
    while server.server is None:
        await asyncio.sleep(0.01)
    port = server.server.sockets[0].getsockname()[1]
    print(f"{'rtu-tcp' if rtu else 'tcp'}://127.0.0.1:{port}", flush=True)
    await asyncio.get_running_loop().run_in_executor(None, sys.stdin.read)


asyncio.run(main())
