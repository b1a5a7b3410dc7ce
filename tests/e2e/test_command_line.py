"""The options a terminal user expects (--help, --version, --setup, --status),
on the real program, beside the profile names every other command line gives."""

import os
import pty
import signal
import subprocess
import termios
import unittest

from harness import DemoServer, Sandbox, wait_for


class CommandLine(unittest.TestCase):
    def setUp(self):
        self.box = Sandbox(profile="Büro  2")
        self.server = DemoServer(self.box.root, ["k1001 geheim Firma firma-server 203.0.113.7 50"])
        self.program = os.path.join(self.box.program_folder, "Tavik6")
        self.env = dict(os.environ, TAVIK_REGISTRY=self.box.registry, TAVIK_HEADLESS="1",
                        TAVIK_HOSTS_FILE=self.box.hosts, TAVIK_SERVICE_HOST=self.server.host)

    def tearDown(self):
        self.box.cleanup()
        self.server.stop()

    def run_program(self, *words):
        return subprocess.run([self.program, *words], capture_output=True, text=True, env=self.env,
                              stdin=subprocess.DEVNULL, timeout=30)

    def setup_on_terminal(self, *words, answers):
        """Runs --setup on a pseudo terminal, answering each question in turn."""
        pid, terminal = pty.fork()
        if pid == 0:
            os.execve(self.program, [self.program, "--setup", *words], self.env)
        screen = b""
        for answer in answers:
            # Answer only at the prompt, as a person would: the terminal then
            # echoes (or hides) the answer as the question asks.
            asked = len(screen)
            while not screen[asked:].rstrip().endswith(b">"):
                screen += os.read(terminal, 4096)
            # Ctrl-C is typed alone, every other answer ends with Enter.
            os.write(terminal, answer.encode() + (b"" if answer == "\x03" else b"\n"))
        while True:
            try:
                chunk = os.read(terminal, 4096)
            except OSError:
                break
            if not chunk:
                break
            screen += chunk
        _, status = os.waitpid(pid, 0)
        self.echo_left_on = bool(termios.tcgetattr(terminal)[3] & termios.ECHO)
        os.close(terminal)
        return os.waitstatus_to_exitcode(status), screen.decode("utf-8", "replace")

    def test_help_version_and_an_unknown_profile(self):
        version = self.run_program("--version")
        self.assertEqual((version.returncode, version.stdout), (0, "Tavik6 6.10\n"))
        usage = self.run_program("--help")
        self.assertEqual(usage.returncode, 0)
        self.assertIn("Tavik6 --setup [Profil]", usage.stdout)
        missing = self.run_program("--status", "Büro", "", "2")
        self.assertEqual(missing.returncode, 1)
        self.assertIn('Das Profil "Büro  2" ist nicht eingerichtet', missing.stderr)
        no_terminal = self.run_program("--setup", "Büro")
        self.assertEqual(no_terminal.returncode, 2)
        self.assertIn("Terminal", no_terminal.stderr)
        self.assertIsNone(self.box.stored("Install"))

    def test_setup_then_the_client_runs_and_status_shows_its_server(self):
        code, screen = self.setup_on_terminal("Büro", "", "2", answers=["K1001", "geheim", "1"])
        self.assertEqual(code, 0, screen)
        # The name is echoed as typed, the password is not.
        self.assertIn("K1001", screen)
        self.assertNotIn("geheim", screen)
        self.assertTrue(self.echo_left_on)
        self.assertEqual(self.box.stored("User"), "k1001")
        self.assertEqual(self.box.stored("Proxyserver"), "0")
        self.assertTrue(self.box.stored("Install"))

        # The two blanks inside the profile name survive as separate words.
        self.box.start(self.server, arguments=["Büro", "", "2"])
        self.assertTrue(wait_for(lambda: "firma-server" in self.box.hosts_text()), self.box.messages())
        # The client stores the status just after it has written the line.
        self.assertTrue(wait_for(lambda: "Status:      50+" in self.run_program("--status", "Büro", "", "2").stdout))
        status = self.run_program("--status", "Büro", "", "2")
        self.assertEqual(status.returncode, 0, status.stderr)
        self.assertIn("Server:      firma-server", status.stdout)
        self.assertIn("Adresse:     203.0.113.7", status.stdout)
        self.assertIn("Status:      50+203.0.113.7+firma-server", status.stdout)
        self.assertEqual(self.box.terminate(), 0)

    def test_ctrl_c_at_the_password_gives_the_terminal_its_echo_back(self):
        code, screen = self.setup_on_terminal("Büro", answers=["K1001", "\x03"])
        self.assertEqual(code, -signal.SIGINT, screen)
        self.assertTrue(self.echo_left_on, "the terminal was left without echo")
        self.assertIsNone(self.box.stored("Install"))


if __name__ == "__main__":
    unittest.main()
