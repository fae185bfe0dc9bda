#!/usr/bin/env python3
"""Checks of bench/e2e's own logic (no programs of the chain needed): run with
`python3 bench/e2e_test.py`."""
import os
import subprocess
import sys
import tempfile
import time
import unittest
from importlib.machinery import SourceFileLoader
from importlib.util import module_from_spec, spec_from_loader


def load_e2e():
    # bench/e2e is a program without a .py suffix: load it as a module by hand.
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "e2e")
    spec = spec_from_loader("e2e", SourceFileLoader("e2e", path))
    module = module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


e2e = load_e2e()


def fake_programs(directory, names=("InKorvaneComp", "InKorvaneTestComp", "PositionServerSim")):
    os.makedirs(directory, exist_ok=True)
    for name in names:
        path = os.path.join(directory, name)
        with open(path, "w") as program:
            program.write("#!/bin/sh\n")
        os.chmod(path, 0o755)
    return directory


class BackEndArguments(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.TemporaryDirectory()
        self.addCleanup(self.work.cleanup)

    def test_label_defaults_to_the_folder_name_and_can_be_given(self):
        first = fake_programs(os.path.join(self.work.name, "rel"))
        second = fake_programs(os.path.join(self.work.name, "other", "bin"))
        back_ends = e2e.parse_back_ends([first, "ortm=" + second])
        self.assertEqual(["rel", "ortm"], [label for label, _ in back_ends])
        self.assertEqual(os.path.join(second, "InKorvaneComp"), back_ends[1][1]["InKorvaneComp"])

    def test_same_label_twice_and_missing_program_are_refused(self):
        first = fake_programs(os.path.join(self.work.name, "a", "build"))
        second = fake_programs(os.path.join(self.work.name, "b", "build"))
        with self.assertRaises(SystemExit):
            e2e.parse_back_ends([first, second])
        partial = fake_programs(os.path.join(self.work.name, "partial"), ("InKorvaneComp",))
        with self.assertRaises(SystemExit):
            e2e.parse_back_ends([partial])

    def test_simulator_is_optional_per_folder(self):
        only_components = fake_programs(os.path.join(self.work.name, "c"), e2e.COMPONENT_PROGRAMS)
        [(_, programs)] = e2e.parse_back_ends([only_components])
        self.assertIsNone(programs["PositionServerSim"])


class Interleaving(unittest.TestCase):
    def test_each_back_end_once_per_round_with_the_first_moving_along(self):
        order = [(rate, round_index, label) for rate, round_index, (label, _) in
                 e2e.interleaved([("a", {}), ("b", {}), ("c", {})], [100, 1000], 3)]
        self.assertEqual(18, len(order))
        self.assertEqual(["a", "b", "c", "b", "c", "a", "c", "a", "b"], [label for _, _, label in order[:9]])
        self.assertEqual([100] * 9 + [1000] * 9, [rate for rate, _, _ in order])
        for rate in (100, 1000):
            for round_index in range(3):
                labels = sorted(label for r, i, label in order if (r, i) == (rate, round_index))
                self.assertEqual(["a", "b", "c"], labels)


class Aggregation(unittest.TestCase):
    @staticmethod
    def run_result(elapsed, values, cpu, rss, lost=0, latencies=(1.0,)):
        return {"elapsed": elapsed, "values": values, "latencies": list(latencies), "lost": lost,
                "cpu": {"InKorvaneComp": cpu, "InKorvaneTestComp": cpu / 2},
                "rss": {"InKorvaneComp": rss, "InKorvaneTestComp": rss}, "idle_cpu": 0.01, "idle_elapsed": 2.0}

    def test_rounds_add_up_by_time_not_by_averaging_rounds(self):
        tally = e2e.Tally()
        tally.add(self.run_result(10.0, 9000, 2.0, 8.0, lost=1, latencies=[1.0, 3.0]))
        tally.add(self.run_result(30.0, 30000, 3.0, 9.5, lost=2, latencies=[2.0, 4.0]))
        f = tally.figures(1000)
        self.assertAlmostEqual(975.0, f["delivered"])  # 39000 values in 40 s, not (900 + 1000) / 2
        self.assertAlmostEqual(0.975, f["fraction"])
        self.assertAlmostEqual(12.5, f["cpu"]["InKorvaneComp"])
        self.assertAlmostEqual(6.25, f["cpu"]["InKorvaneTestComp"])
        self.assertEqual(9.5, f["rss"]["InKorvaneComp"])
        self.assertEqual(3, f["lost"])
        self.assertAlmostEqual(0.5, f["idle_cpu"])
        self.assertEqual(4.0, f["max"])
        self.assertEqual(3.0, f["p50"])  # of the pooled latencies of both rounds


class Stopping(unittest.TestCase):
    def python(self, code):
        process = subprocess.Popen([sys.executable, "-c", "import signal, time\n" + code + "\nprint('ready', flush=True)\n"
                                    "time.sleep(30)"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.addCleanup(process.stdout.close)
        self.addCleanup(lambda: process.poll() is None and (process.kill(), process.wait()))
        self.assertEqual(b"ready\n", process.stdout.readline())
        return process

    def stop(self, process):
        started = time.monotonic()
        result = e2e.stop(process, first_wait=0.3, interrupt_seconds=1.5, term_seconds=0.5)
        self.assertLess(time.monotonic() - started, 5.0)
        self.assertIsNotNone(process.poll())
        return result

    def test_plain_process_ends_on_the_first_interrupt(self):
        self.assertEqual(("SIGINT", 1), self.stop(self.python("")))

    def test_a_dropped_interrupt_is_repeated(self):
        process = self.python("def drop_once(*_):\n"
                              "    signal.signal(signal.SIGINT, signal.default_int_handler)\n"
                              "signal.signal(signal.SIGINT, drop_once)")
        how, interrupts = self.stop(process)
        self.assertEqual("SIGINT", how)
        self.assertEqual(2, interrupts)

    def test_escalates_to_term_then_kill(self):
        self.assertEqual("SIGTERM", self.stop(self.python("signal.signal(signal.SIGINT, signal.SIG_IGN)"))[0])
        self.assertEqual("SIGKILL", self.stop(self.python(
            "signal.signal(signal.SIGINT, signal.SIG_IGN)\nsignal.signal(signal.SIGTERM, signal.SIG_IGN)"))[0])

    def test_ended_process_is_left_alone(self):
        process = subprocess.Popen(["true"])
        process.wait()
        self.assertEqual((None, 0), e2e.stop(process))


if __name__ == "__main__":
    unittest.main()
