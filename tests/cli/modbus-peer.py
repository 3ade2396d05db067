"""The two ends of a Modbus RTU line, made with the pymodbus stack, for the tap tests.

    modbus-peer.py server PORT            serves slave 1 on PORT until killed
    modbus-peer.py client PORT COUNT      COUNT transactions with slave 1 on PORT
    modbus-peer.py wait PORT              reads until slave 1 answers (at most about 40 s)

Both at 19200 bit/s, 8 data bits, no parity, 1 stop bit. The client alternates register
writes and reads of what it wrote, prints one line per transaction and 'done N' at the
end; it exits 1 at the first transaction that fails.
"""
import sys
import time

from pymodbus.client import ModbusSerialClient
from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.server import StartSerialServer

LINE = {"baudrate": 19200, "bytesize": 8, "parity": "N", "stopbits": 1}


def serve(port):
    block = ModbusSequentialDataBlock(0, [0] * 100)
    context = ModbusServerContext(slaves=ModbusSlaveContext(hr=block), single=True)
    StartSerialServer(context=context, framer=ModbusRtuFramer, port=port, **LINE)


def connect(port, timeout):
    client = ModbusSerialClient(port=port, framer=ModbusRtuFramer, timeout=timeout, retries=0,
                                **LINE)
    if not client.connect():
        sys.exit(f"cannot open {port}")
    return client


def wait(port):
    # A client of this pymodbus stays out of step after a request without an answer (and
    # takes whole seconds of time-out): a new one for every try.
    # The server may take many seconds to start on a machine busy with other tests.
    deadline = time.monotonic() + 40
    while time.monotonic() < deadline:
        client = connect(port, 1)
        answered = not client.read_holding_registers(0, 1, slave=1).isError()
        client.close()
        if answered:
            return 0
        time.sleep(0.25)
    print("no answer")
    return 1


def transact(port, count):
    client = connect(port, 2)
    for i in range(count):
        address, value = i // 2 % 50, (i * 4099 + 7) % 65536
        if i % 2 == 0:
            reply = client.write_register(address, value, slave=1)
        else:
            reply = client.read_holding_registers(address, 1, slave=1)
        if reply.isError() or (i % 2 == 1 and reply.registers != [(value - 4099 + 65536) % 65536]):
            print(f"transaction {i} failed: {reply}")
            return 1
        print(f"transaction {i} ok")
    client.close()
    print(f"done {count}")
    return 0


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "server":
        serve(sys.argv[2])
    elif len(sys.argv) == 3 and sys.argv[1] == "wait":
        sys.exit(wait(sys.argv[2]))
    elif len(sys.argv) == 4 and sys.argv[1] == "client":
        sys.exit(transact(sys.argv[2], int(sys.argv[3])))
    else:
        sys.exit(__doc__)
