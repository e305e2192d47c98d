#!/usr/bin/python3
"""Drives the program over SCPI on TCP with pyvisa (the pure-Python back end), as a client
program on the same machine would. Argument: the port. Exit code 0 when every answer holds."""
import sys
import time

import pyvisa


def main():
    port = int(sys.argv[1])
    rm = pyvisa.ResourceManager("@py")
    inst = rm.open_resource(f"TCPIP::127.0.0.1::{port}::SOCKET", read_termination="\n",
                            write_termination="\n", timeout=30000)
    deadline = time.time() + 60
    while inst.query("READ?").strip() != "1":
        if time.time() > deadline:
            print("the instrument never became ready")
            return 1
        time.sleep(0.2)
    inst.write("*RST")
    idn = inst.query("*IDN?")
    if not idn.startswith("Ostrak,"):
        print(f"*IDN? gave {idn!r}")
        return 1
    inst.write("TRIG:SEQ:SOUR BUS")
    inst.write("INIT")
    inst.write("TRIG:SEQ:SING")
    state = inst.query("TRIG:SEQ:STAT?")
    if state != "STOP":
        print(f"after the single sweep the state is {state!r}")
        return 1
    inst.write("INIT:CONT ON")
    inst.write("INIT")
    errors = [inst.query("SYST:ERR?"), inst.query("SYST:ERR?")]
    if errors != ['213,"Init ignored"', '0,"No error"']:
        print(f"the error queue held {errors!r}")
        return 1
    inst.close()
    rm.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
