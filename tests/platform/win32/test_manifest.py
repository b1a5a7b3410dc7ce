"""Each Windows program carries exactly one application manifest, resource 1
of type RT_MANIFEST, that Windows can read: administrator rights, Windows 7
to 11, the common controls 6, no code page of its own. Read straight from
the built files' resource section, so it holds for the 32-bit build too.
TAVIK_WINDOWS_BIN_DIR names the folder with the programs."""
import os
import struct
import unittest
import xml.etree.ElementTree as ElementTree

BIN_DIR = os.environ.get("TAVIK_WINDOWS_BIN_DIR", "")
RT_MANIFEST = 24
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
WINDOWS_7_TO_11 = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # Windows 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # Windows 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # Windows 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # Windows 10 and 11
}


def manifests(path):
    """The RT_MANIFEST resources of a PE file as (name, language, bytes)."""
    with open(path, "rb") as f:
        data = f.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError(path + " is no PE file")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (112 if magic == 0x20B else 96)
    resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    if resource_rva == 0:
        return []
    for i in range(sections):
        header = optional + optional_size + 40 * i
        size, rva, _, offset = struct.unpack_from("<IIII", data, header + 8)
        if rva <= resource_rva < rva + size:
            base = offset + resource_rva - rva
            break
    else:
        raise ValueError(path + ": no section holds the resources")

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            yield (name if not name & 0x80000000 else "named"), target & 0x7FFFFFFF

    found = []
    for kind, names in entries(0):
        if kind != RT_MANIFEST:
            continue
        for name, languages in entries(names):
            for language, leaf in entries(languages):
                data_rva, size = struct.unpack_from("<II", data, base + leaf)
                start = offset + data_rva - rva
                found.append((name, language, data[start:start + size]))
    return found


class ProgramManifest(unittest.TestCase):
    def test_each_program(self):
        for program, level in (("Tavik6.exe", "requireAdministrator"),
                               ("Velmora4.exe", "requireAdministrator"),
                               ("AppToService.exe", "requireAdministrator")):
            with self.subTest(program=program):
                found = manifests(os.path.join(BIN_DIR, program))
                # Two manifests (another id, or the same id twice) and Windows
                # may take either one.
                self.assertEqual([name for name, _, _ in found], [1], [(n, lang) for n, lang, _ in found])
                root = ElementTree.fromstring(found[0][2])
                self.assertEqual(root.tag, ASM_V1 + "assembly")
                levels = root.findall(".//%strustInfo/%ssecurity/%srequestedPrivileges/%srequestedExecutionLevel"
                                      % (ASM_V3, ASM_V3, ASM_V3, ASM_V3))
                self.assertEqual([(e.get("level"), e.get("uiAccess")) for e in levels], [(level, "false")])
                systems = {e.get("Id") for e in root.iter(COMPATIBILITY + "supportedOS")}
                self.assertEqual(systems, WINDOWS_7_TO_11)
                controls = [e.attrib for e in root.iter(ASM_V1 + "assemblyIdentity")
                            if e.get("name") == "Microsoft.Windows.Common-Controls"]
                self.assertEqual([(c.get("version"), c.get("publicKeyToken")) for c in controls],
                                 [("6.0.0.0", "6595b64144ccf1df")])
                self.assertEqual([e.tag for e in root.iter() if e.tag.endswith("}activeCodePage")], [])


if __name__ == "__main__":
    unittest.main()
