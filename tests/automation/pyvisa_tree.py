#!/usr/bin/python3
"""Drives one member of every node family over SCPI on TCP with pyvisa (the pure-Python back
end), as a client program on the same machine would. Argument: the port; TERVAN_HOME names the
program's data root. Prints one line per family with its time; exit code 0 when every family
answered as expected and the error queue ends empty."""
import math
import os
import re
import sys
import time

import pyvisa

NO_ERROR = '0,"No error"'
# The error entry that ends every reply: the last "<number>,"<text>"" of the line.
ERROR_AT_END = re.compile(r'(?:^|;)(-?\d+,"(?:[^"]|"")*")$')


class Failed(Exception):
    pass


class Client:
    def __init__(self, inst):
        self.inst = inst

    def ask(self, line, error=NO_ERROR):
        """Runs a line with the error queue's next entry read at once behind it; returns the
        line's own replies (empty for a command)."""
        reply = self.inst.query(f"{line};:SYST:ERR?")
        found = ERROR_AT_END.search(reply)
        if found is None:
            raise Failed(f"{line!r} answered {reply!r} without an error entry")
        if found.group(1) != error:
            raise Failed(f"{line!r} left {found.group(1)!r}, expected {error!r}")
        return reply[:found.start()]

    def number(self, line):
        text = self.ask(line)
        try:
            return float(text)
        except ValueError:
            raise Failed(f"{line!r} answered {text!r}, not a number") from None

    def numbers(self, line):
        text = self.ask(line)
        try:
            return [float(t) for t in text.split(",")] if text else []
        except ValueError:
            raise Failed(f"{line!r} answered {text[:80]!r}, not numbers") from None


def expect(what, got, want):
    same = got == want
    if isinstance(want, float):
        same = isinstance(got, float) and math.isclose(got, want, rel_tol=1e-9, abs_tol=1e-15)
    elif isinstance(want, list) and want and isinstance(want[0], float):
        same = len(got) == len(want) and all(math.isclose(g, w, rel_tol=1e-9) for g, w in zip(got, want))
    if not same:
        raise Failed(f"{what}: {got!r}, expected {want!r}")


def root_and_trigger(c):
    expect("NAME?", c.ask("NAME?"), c.ask("*IDN?"))
    c.ask("TRIG:SEQ:SOUR BUS")
    c.ask("INIT:CONT ON")
    deadline = time.time() + 30
    while c.ask("TRIG:SEQ:STAT?") != "WAIT":
        if time.time() > deadline:
            raise Failed("the sweep never waited for the bus trigger")
        time.sleep(0.05)
    c.ask("TRIG:SEQ:SING")
    expect("TRIG:SEQ:STAT? after the single sweep", c.ask("TRIG:SEQ:STAT?"), "WAIT")


def system(c):
    c.ask("SYST:DTFU METR")
    expect("SYST:DTFU?", c.ask("SYST:DTFU?"), "METR")


def service(c):
    expect("SERV:SWE:FREQ:MAX?", c.number("SERV:SWE:FREQ:MAX?"), 1.4e10)


def mass_memory(c):
    path = os.path.join(os.environ["TERVAN_HOME"], "State", "e2e.cfg")
    c.ask('MMEM:STOR:STAT "e2e"')
    if not os.path.isfile(path):
        raise Failed(f"{path} was not written")


def source(c):
    c.ask("SOUR1:POW:LEV:IMM:AMPL -10")
    expect("SOUR1:POW:LEV:IMM:AMPL?", c.number("SOUR1:POW:LEV:IMM:AMPL?"), 0.0)


def stimulus(c):
    c.ask("SENS1:FREQ:STAR 1e9")
    expect("SENS1:FREQ:STAR?", c.number("SENS1:FREQ:STAR?"), 1e9)
    points = c.number("SENS1:SWE:POIN?")
    expect("values of SENS1:FREQ:DATA?", float(len(c.numbers("SENS1:FREQ:DATA?"))), points)


def port_extension(c):
    c.ask("SENS1:CORR:IMP:INP:MAGN 1000")
    expect("SENS1:CORR:IMP:INP:MAGN?", c.number("SENS1:CORR:IMP:INP:MAGN?"), 250.0)


def calibration(c):
    c.ask("SENS1:CORR:COLL:METH:SOLT1 1")
    expect("SENS1:CORR:COLL:METH:TYPE?", c.ask("SENS1:CORR:COLL:METH:TYPE?"), "SOLT1")


def calibration_kits(c):
    c.ask("SENS1:CORR:COLL:CKIT:STAN2:C0 41.095")
    expect("SENS1:CORR:COLL:CKIT:STAN2:C0?", c.number("SENS1:CORR:COLL:CKIT:STAN2:C0?"), 41.095)


def error_terms(c):
    c.ask("SENS1:CORR:COEF:DATA? ES,1,2", error='220,"Parameter error"')


def traces(c):
    c.ask("CALC1:SEL:FORM SWR")
    expect("CALC1:SEL:FORM?", c.ask("CALC1:SEL:FORM?"), "SWR")
    points = c.number("SENS1:SWE:POIN?")
    expect("values of CALC1:SEL:DATA:FDAT?", float(len(c.numbers("CALC1:SEL:DATA:FDAT?"))), 2 * points)


def markers(c):
    c.ask("CALC1:SEL:MARK5:STAT ON")
    expect("CALC1:SEL:MARK:COUN?", c.number("CALC1:SEL:MARK:COUN?"), 5.0)


def analysis(c):
    c.ask('CALC1:SEL:FUNC:TYPE "MEAN"')
    c.ask("CALC1:SEL:FUNC:EXEC")
    expect("CALC1:SEL:FUNC:POIN?", c.number("CALC1:SEL:FUNC:POIN?"), 1.0)


def limit_test(c):
    c.ask("CALC1:SEL:LIM:DATA 1,1,1e9,2e9,2,2")
    expect("CALC1:SEL:LIM:DATA?", c.numbers("CALC1:SEL:LIM:DATA?"), [1.0, 1.0, 1e9, 2e9, 2.0, 2.0])


def time_domain(c):
    c.ask("CALC1:SEL:TRAN:TIME:KBES 20")
    expect("CALC1:SEL:TRAN:TIME:KBES?", c.number("CALC1:SEL:TRAN:TIME:KBES?"), 13.0)


def fixture_simulator(c):
    c.ask("CALC1:FSIM:SEND:ZCON:PORT1:Z0:R 0")
    expect("CALC1:FSIM:SEND:ZCON:PORT1:Z0:R?", c.number("CALC1:FSIM:SEND:ZCON:PORT1:Z0:R?"), 0.001)


def display(c):
    c.ask("DISP:SPL 4")
    expect("DISP:SPL?", c.number("DISP:SPL?"), 4.0)
    c.ask("DISP:COL:RES")
    expect("DISP:COL:TRAC1:DATA?", c.numbers("DISP:COL:TRAC1:DATA?"), [127.0, 255.0, 127.0])


def display_window(c):
    c.ask("DISP:WIND1:Y:SCAL:DIV 7")
    expect("DISP:WIND1:Y:SCAL:DIV?", c.number("DISP:WIND1:Y:SCAL:DIV?"), 6.0)


FAMILIES = [
    ("root and trigger", root_and_trigger),
    ("SYSTem", system),
    ("SERVice", service),
    ("MMEMory", mass_memory),
    ("SOURce", source),
    ("SENSe stimulus", stimulus),
    ("SENSe port extension", port_extension),
    ("SENSe calibration", calibration),
    ("SENSe calibration kits", calibration_kits),
    ("SENSe error terms", error_terms),
    ("CALCulate traces", traces),
    ("CALCulate markers", markers),
    ("CALCulate analysis", analysis),
    ("CALCulate limit test", limit_test),
    ("CALCulate time domain", time_domain),
    ("CALCulate fixture simulator", fixture_simulator),
    ("DISPlay", display),
    ("DISPlay window", display_window),
]


def main():
    port = int(sys.argv[1])
    rm = pyvisa.ResourceManager("@py")
    inst = rm.open_resource(f"TCPIP::127.0.0.1::{port}::SOCKET", read_termination="\n",
                            write_termination="\n", timeout=30000)
    deadline = time.time() + 60
    while inst.query("READY?").strip() != "1":
        if time.time() > deadline:
            print("the instrument never became ready")
            return 1
        time.sleep(0.2)
    c = Client(inst)
    failed = []
    started = time.perf_counter()
    for name, check in FAMILIES:
        t0 = time.perf_counter()
        try:
            check(c)
            outcome = "ok"
        except (Failed, pyvisa.errors.VisaIOError) as e:
            outcome = f"FAILED: {e}"
            failed.append(name)
            # Whatever the failure left queued goes, so the next family starts clean.
            inst.write("*CLS")
        print(f"{name}: {outcome} ({(time.perf_counter() - t0) * 1000:.1f} ms)", flush=True)
    last = inst.query("SYST:ERR?")
    if last != NO_ERROR:
        print(f"the error queue ends on {last!r}")
        failed.append("error queue")
    print(f"{len(FAMILIES)} families in {(time.perf_counter() - started) * 1000:.1f} ms, "
          f"{len(failed)} failed" + (f": {', '.join(failed)}" if failed else ""))
    inst.close()
    rm.close()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
