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

    def test_middleware_from_ldd_and_what_it_offers_over_dds(self):
        self.assertEqual("/opt/rtm", e2e.openrtm_prefix_from_ldd(
            "\tlibomniORB4.so.2 => /lib/x86_64-linux-gnu/libomniORB4.so.2 (0x7f)\n"
            "\tlibRTC2.so.2.0 => /opt/rtm/lib/libRTC2.so.2.0 (0x7f)\n"))
        self.assertEqual("/o", e2e.openrtm_prefix_from_ldd("\tlibRTC-1.2.2.so => /o/lib/libRTC-1.2.2.so (0x1)\n"))
        self.assertIsNone(e2e.openrtm_prefix_from_ldd("\tlibRTC2.so.2.0 => not found\n"))
        self.assertIsNone(e2e.openrtm_prefix_from_ldd("\tlibrtm_builtin.so => /b/librtm_builtin.so (0x1)\n"))

        def prefix(name, *files):
            for path in files:
                os.makedirs(os.path.dirname(os.path.join(self.work.name, name, path)), exist_ok=True)
                open(os.path.join(self.work.name, name, path), "w").close()
            return os.path.join(self.work.name, name)

        with_dds = prefix("20", "lib/openrtm-2.0/transport/FastRTPSTransport.so")
        m = e2e.describe_middleware(self.work.name, with_dds)
        self.assertIsNone(m.no_dds)
        self.assertEqual(["-o", "manager.modules.load_path:%s/lib/openrtm-2.0/transport" % with_dds,
                          "-o", "manager.preload.modules:FastRTPSTransport.so"], m.dds_options)
        self.assertEqual("OpenRTM-aist 1.2 has no DDS transport", e2e.describe_middleware(
            self.work.name, prefix("12", "lib/openrtm-1.2/cmake/x")).no_dds)
        self.assertIn("no FastRTPS transport", e2e.describe_middleware(
            self.work.name, prefix("20bare", "lib/openrtm-2.0/cmake/x")).no_dds)
        builtin = fake_programs(os.path.join(self.work.name, "rel"))
        self.assertIn("without Fast DDS", e2e.describe_middleware(builtin, None).no_dds)
        open(os.path.join(builtin, "librtm_fastdds.so"), "w").close()
        self.assertEqual(e2e.Middleware("built-in", None, [], None), e2e.describe_middleware(builtin, None))

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


    def test_chain_runs_mix_back_ends_transports_and_dataflows_within_each_round(self):
        order = list(e2e.chain_runs([("a", {}), ("b", {})], [100, 1000], ["corba", "fast-rtps"], ["push"], 3))
        self.assertEqual(24, len(order))
        self.assertEqual([("corba", "a"), ("corba", "b"), ("fast-rtps", "a"), ("fast-rtps", "b"),
                          ("corba", "b"), ("fast-rtps", "a"), ("fast-rtps", "b"), ("corba", "a")],
                         [(chain.transport, label) for chain, _, (label, _) in order[:8]])
        self.assertEqual([100] * 12 + [1000] * 12, [chain.rate for chain, _, _ in order])
        for chain in {chain for chain, _, _ in order}:
            self.assertEqual(6, sum(1 for c, _, _ in order if c == chain))


class ChainOptions(unittest.TestCase):
    URL = "rtcname://127.0.0.1:2809"

    def test_corba_push_and_pull_differ_only_in_the_consumers_dataflow(self):
        for dataflow, suffix in (("push", ""), ("pull", "&dataflow_type=pull")):
            producer, consumer = e2e.chain_options(e2e.Chain(1000, "corba", dataflow), self.URL, "t", ["-o", "x:y"])
            self.assertEqual([], producer)
            self.assertEqual(["-o", "manager.components.preconnect:InKorvaneTest0.inPositionData?port=" + self.URL +
                              "/InKorvane0.outPositionData" + suffix,
                              "-o", "manager.components.preactivation:" + self.URL + "/InKorvane0,InKorvaneTest0"],
                             consumer)

    def test_over_dds_both_join_the_rounds_topic_on_loopback_with_the_transport_loaded(self):
        module = ["-o", "manager.preload.modules:FastRTPSTransport.so"]
        producer, consumer = e2e.chain_options(e2e.Chain(100, "fast-rtps", "push"), self.URL, "bench_7_3", module)
        join = "?interface_type=fast-rtps&fastrtps.topic=bench_7_3&fastrtps.QoSXML=" + e2e.LOOPBACK_PROFILE
        self.assertEqual(module + ["-o", "manager.components.preconnect:InKorvane0.outPositionData" + join], producer)
        self.assertEqual(module + ["-o", "manager.components.preconnect:InKorvaneTest0.inPositionData" + join],
                         consumer[:4])
        self.assertIn("manager.components.preactivation:" + self.URL + "/InKorvane0,InKorvaneTest0", consumer)
        self.assertTrue(os.path.isfile(e2e.LOOPBACK_PROFILE))
        with open(e2e.LOOPBACK_PROFILE) as profile:
            self.assertIn('profile_name="participant_openrtm"', profile.read())


class Aggregation(unittest.TestCase):
    @staticmethod
    def run_result(elapsed, values, cpu, rss, lost=0, latencies=(1.0,), published=None, silent=False):
        return {"elapsed": elapsed, "values": values, "latencies": list(latencies), "lost": lost,
                "published": values if published is None else published, "silent": silent, "consumer_err": "",
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

    def test_table_rows_show_silent_consumers_as_zero_and_skipped_back_ends(self):
        back_ends = [("builtin", {}), ("ortm12", {})]
        settings = [e2e.Chain(1000, "corba", "pull"), e2e.Chain(1000, "fast-rtps", "push")]
        tallies = {(label, chain): e2e.Tally() for label, _ in back_ends for chain in settings}
        tallies["builtin", settings[0]].add(self.run_result(10.0, 9990, 1.0, 9.0, latencies=[2.0]))
        tallies["ortm12", settings[0]].add(self.run_result(10.0, 0, 1.0, 12.0, published=9400, silent=True,
                                                           latencies=[]))
        tallies["ortm12", settings[1]].skipped = "OpenRTM-aist 1.2 has no DDS transport"
        rows = e2e.chain_rows(back_ends, settings, tallies)
        self.assertEqual(e2e.CHAIN_HEADER, rows[0])
        self.assertEqual(("builtin", "1000 Hz", "corba", "pull", "999.0", "999.0", "0.999"), rows[1][:7])
        self.assertEqual(("ortm12", "1000 Hz", "corba", "pull", "0.0", "940.0", "0.000", "-", "-", "-"), rows[2][:10])
        self.assertEqual(len(e2e.CHAIN_HEADER), len(rows[2]))
        self.assertEqual(1, len(tallies["ortm12", settings[0]].silent))
        self.assertEqual("failed in every round", rows[3][4])
        self.assertEqual(("ortm12", "1000 Hz", "fast-rtps", "push",
                          "skipped: OpenRTM-aist 1.2 has no DDS transport"), rows[4])


class Arguments(unittest.TestCase):
    def test_default_run_measures_rates_over_corba_push(self):
        args = e2e.parse_arguments(["build/rel"])
        self.assertIsNone(args.consumers)
        self.assertEqual([e2e.Chain(100, "corba", "push"), e2e.Chain(1000, "corba", "push")], args.settings)
        self.assertEqual("1000 Hz, corba, push", str(args.settings[1]))

    def test_chain_settings_cover_every_rate_transport_and_dataflow_in_order(self):
        args = e2e.parse_arguments(["a", "--rates", "100,1000", "--transport", "corba,fast-rtps"])
        self.assertEqual([(100, "corba"), (100, "fast-rtps"), (1000, "corba"), (1000, "fast-rtps")],
                         [(chain.rate, chain.transport) for chain in args.settings])
        args = e2e.parse_arguments(["a", "--rates", "1000", "--dataflow", "push,pull"])
        self.assertEqual(["push", "pull"], [chain.dataflow for chain in args.settings])

    def test_fan_out_settings_cover_every_rate_count_and_subscription_in_order(self):
        args = e2e.parse_arguments(["a", "b", "--rates", "100,1000", "--consumers", "1,2,4,8",
                                    "--subscription", "flush,new"])
        self.assertEqual(16, len(args.settings))
        self.assertEqual(e2e.FanOut(100, 1, "flush"), args.settings[0])
        self.assertEqual(e2e.FanOut(100, 1, "new"), args.settings[1])
        self.assertEqual(e2e.FanOut(100, 2, "flush"), args.settings[2])
        self.assertEqual(e2e.FanOut(1000, 8, "new"), args.settings[-1])
        self.assertEqual("1000 Hz, 8 consumers, new", str(args.settings[-1]))
        self.assertEqual("100 Hz, 1 consumer, flush", str(args.settings[0]))

    def test_subscription_defaults_to_flush(self):
        args = e2e.parse_arguments(["a", "--consumers", "2", "--rates", "1000"])
        self.assertEqual([e2e.FanOut(1000, 2, "flush")], args.settings)
        self.assertFalse(args.hang_one)

    def test_refused_combinations(self):
        for argv in (["a", "--consumers", "0"], ["a", "--consumers", "1,x"], ["a", "--consumers", "2", "--subscription",
                     "fast"], ["a", "--subscription", "new"], ["a", "--hang-one"],
                     ["a", "--consumers", "1,2", "--hang-one"], ["a", "--rates", "0"], ["a", "--rounds", "0"],
                     ["a", "--transport", "dds"], ["a", "--dataflow", "push,push"], ["a", "--dataflow", "poll"],
                     ["a", "--transport", "fast-rtps", "--dataflow", "pull"], ["a", "--consumers", "2", "--dataflow",
                     "pull"], ["a", "--consumers", "2", "--transport", "corba"]):
            with self.assertRaises(SystemExit, msg=argv):
                e2e.parse_arguments(argv)

    def test_fan_out_runs_interleave_back_ends_within_each_setting(self):
        settings = e2e.parse_arguments(["a", "--rates", "1000", "--consumers", "1,2"]).settings
        order = [(setting.consumers, label) for setting, _, (label, _) in
                 e2e.interleaved([("a", {}), ("b", {})], settings, 2)]
        self.assertEqual([(1, "a"), (1, "b"), (1, "b"), (1, "a"), (2, "a"), (2, "b"), (2, "b"), (2, "a")], order)


class FanOutFigures(unittest.TestCase):
    @staticmethod
    def round_result(elapsed, values, producer_cpu=1.0, hung=False, lost=0):
        return {"elapsed": elapsed, "producer_cpu": producer_cpu, "consumers": [
            {"values": count, "hung": hung and index == 0, "latencies": [float(count)], "lost": lost, "cpu": 0.5}
            for index, count in enumerate(values)]}

    def test_shares_per_consumer_over_rounds_and_the_worst_single_round(self):
        tally = e2e.FanTally()
        tally.add(self.round_result(10.0, [9000, 10000, 8000], lost=1))
        tally.add(self.round_result(10.0, [10000, 10000, 4000], producer_cpu=3.0))
        f = tally.figures(1000)
        # Consumers over both rounds: 0.95, 1.0, 0.6 of the rate.
        self.assertAlmostEqual(0.95, f["median"])
        self.assertAlmostEqual(0.6, f["min"])
        self.assertAlmostEqual(0.4, f["worst"])  # consumer 3 in round 2
        self.assertAlmostEqual(20.0, f["producer_cpu"])  # 4 s of CPU in 20 s
        self.assertAlmostEqual(5.0, f["consumer_cpu"])  # per consumer: 0.5 s per 10 s round
        self.assertEqual(3, f["lost"])
        self.assertEqual(10000.0, f["p99"])

    def test_median_of_an_even_count_and_a_hung_consumer_left_out(self):
        tally = e2e.FanTally()
        tally.add(self.round_result(10.0, [0, 9000, 7000, 10000, 5000], hung=True))
        f = tally.figures(1000)
        self.assertEqual(1, tally.hung)
        self.assertAlmostEqual(0.8, f["median"])  # of 0.5, 0.7, 0.9, 1.0
        self.assertAlmostEqual(0.5, f["min"])
        self.assertAlmostEqual(5.0, f["consumer_cpu"])

    def test_table_has_a_row_per_setting_and_back_end_and_marks_failures_and_hangs(self):
        back_ends = [("builtin", {}), ("ortm", {})]
        settings = [e2e.FanOut(1000, 2, "flush"), e2e.FanOut(1000, 2, "new")]
        tallies = {key: e2e.FanTally() for key in [(l, s) for l, _ in back_ends for s in settings]}
        tallies["builtin", settings[0]].add(self.round_result(5.0, [0, 4000], hung=True))
        tallies["ortm", settings[0]].add(self.round_result(5.0, [5000, 4000]))
        rows = e2e.fanout_rows(back_ends, settings, tallies)
        self.assertEqual(e2e.FANOUT_HEADER, rows[0])
        self.assertEqual([("builtin", "flush"), ("ortm", "flush"), ("builtin", "new"), ("ortm", "new")],
                         [(row[0], row[3]) for row in rows[1:]])
        self.assertEqual(("builtin", "1000 Hz", "2 (1 hung)", "flush", "0.800", "0.800", "0.800"), rows[1][:7])
        self.assertEqual(("0.900", "0.800", "0.800"), rows[2][4:7])
        self.assertEqual(len(e2e.FANOUT_HEADER), len(rows[2]))
        self.assertEqual("failed in every round", rows[3][4])


class PlotRange(unittest.TestCase):
    def test_axis_ends_at_the_largest_value_unless_a_stall_lies_far_beyond_every_p99(self):
        steady = [1.0 + i / 1000 for i in range(1000)]
        cases = (([("a", steady)], 1.999 * 1.05),  # no outlier: the largest value
                 ([("a", steady + [1200.0])], 2 * steady[990] * 1.05),  # one stall: twice the p99
                 ([("a", steady), ("b", []), ("c", [5.0] * 1000)], 5.0 * 1.05),  # the largest p99 of all
                 ([("a", []), ("b", [])], 1.0))
        for series, expected in cases:
            self.assertAlmostEqual(expected, e2e.pngplot.x_range(series), msg=[label for label, _ in series])


class Connecting(unittest.TestCase):
    def fake_rtctl(self, script):
        work = tempfile.TemporaryDirectory()
        self.addCleanup(work.cleanup)
        path = os.path.join(work.name, "rtctl")
        with open(path, "w") as program:
            program.write("#!/bin/sh\n" + script)
        os.chmod(path, 0o755)
        return path, work.name

    def test_a_refused_connection_fails_the_run_naming_the_subscription(self):
        rtctl, _ = self.fake_rtctl("echo 'rtctl: cannot connect: the ports refused (BAD_PARAMETER)'; exit 1\n")
        with self.assertRaises(e2e.RunFailed) as failure:
            e2e.connect_consumers(rtctl, 2809, 2, "new")
        self.assertIn("subscription_type=new", str(failure.exception))
        self.assertIn("BAD_PARAMETER", str(failure.exception))

    def test_each_consumer_is_connected_with_the_subscription(self):
        rtctl, folder = self.fake_rtctl('printf "%s\\n" "$*" >> "$(dirname "$0")/calls"\n')
        e2e.connect_consumers(rtctl, 2809, 3, "flush")
        with open(os.path.join(folder, "calls")) as calls:
            lines = calls.read().splitlines()
        self.assertEqual(3, len(lines))
        for index, line in enumerate(lines):
            self.assertTrue(line.startswith("-n 127.0.0.1:2809 connect InKorvane0:outPositionData "
                                            "InKorvaneTest0_c%d:inPositionData" % index), line)
            self.assertIn("-p subscription_type=flush", line)

    def test_a_hanging_rtctl_is_cut_short(self):
        rtctl, _ = self.fake_rtctl("sleep 30\n")
        original = e2e.RTCTL_SECONDS
        e2e.RTCTL_SECONDS = 0.5
        self.addCleanup(setattr, e2e, "RTCTL_SECONDS", original)
        started = time.monotonic()
        with self.assertRaises(e2e.RunFailed):
            e2e.run_rtctl(rtctl, 2809, "connect", "a:b", "c:d")
        self.assertLess(time.monotonic() - started, 10.0)


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
