#!/usr/bin/env python3
"""Checks the two libraries' registration against registration_rows.txt, wherever it is written:
by DllRegisterServer, in the installer packages' Registry table, and by installing a package.

  package_checks.py registered <Inspecta2.ocx> <Kavella2.ocx>
  package_checks.py package <package.msi> <x86|x64>
  package_checks.py round-trip <package.msi> <machine|user> <client.vbs>

Runs Wine in the project's prefix (scripts/wine-env); prints each mismatch and exits 1 on any."""
import os
import re
import subprocess
import xml.etree.ElementTree as ElementTree
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
FILES = {"{Inspecta2.ocx}": "Inspecta2.ocx", "{Kavella2.ocx}": "Kavella2.ocx"}
PACKAGE_FILE_IDS = {"{Inspecta2.ocx}": "[#InspectaOcx]", "{Kavella2.ocx}": "[#KavellaOcx]"}
ENTRY_POINTS = ["DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"]
failures = []


def fail(message):
    failures.append(message)
    print("FAILED  " + message)


def table(paths, platform):
    """The expected values, {(key, name): value} in lower-case keys, with paths filled in."""
    rows = {}
    with open(os.path.join(HERE, "registration_rows.txt"), encoding="utf-8") as lines:
        for line in lines:
            if line.startswith("#") or not line.strip():
                continue
            key, name, value = line.rstrip("\n").split("\t")
            for placeholder, path in paths.items():
                value = value.replace(placeholder, path)
            rows[(key.replace("{platform}", platform).lower(), name.lower())] = value
    return rows


def owned_keys(whole_libraries=False):
    """The keys that belong to the libraries with everything under them: a type library's version,
    or with `whole_libraries` the type library's key, which holds nothing else of ours."""
    keys = []
    for key, _ in table({}, "win32"):
        parts = key.split("\\")
        depth = {"clsid": 2, "interface": 2, "typelib": 2 if whole_libraries else 3}.get(parts[0], 1)
        top = "\\".join(parts[:depth])
        if top not in keys:
            keys.append(top)
    return keys


def wine(*arguments, check=True):
    result = subprocess.run(["wine", *arguments], capture_output=True, text=True)
    if check and result.returncode != 0:
        fail(f"wine {' '.join(arguments)}: exit code {result.returncode} {result.stdout}{result.stderr}")
    return result


def windows_path(path):
    return subprocess.run(["winepath", "-w", path], capture_output=True, text=True, check=True).stdout.strip()


def unescape(text):
    return text.replace('\\"', '"').replace("\\\\", "\\")


def exported(root):
    """Every value under the owned keys below `root`, {(key, name): value}, keys relative to root.
    One export of the whole root: Wine's reg takes seconds a call, whatever it exports."""
    owned = owned_keys(whole_libraries=True)
    values, current = {}, None
    with tempfile.TemporaryDirectory() as folder:
        file = os.path.join(folder, "export.reg")
        wine("reg", "export", root, windows_path(file), "/y", check=False)  # an absent root holds nothing
        lines = open(file, encoding="utf-16").read().splitlines() if os.path.exists(file) else []
    for line in lines:
        if line.startswith("["):
            current = line[1:-1][len(root) + 1:].lower()
            if not any(current == key or current.startswith(key + "\\") for key in owned):
                current = None
            elif (current, "@") not in values:
                values[(current, "@")] = ""  # a key without a default reads as empty
        elif "=" in line and current is not None:
            name, _, value = line.partition("=")
            name = "@" if name == "@" else unescape(name.strip('"'))
            values[(current, name.lower())] = unescape(value[1:-1]) if value.startswith('"') else value
    return values


def compare(label, expected, actual):
    for row, value in expected.items():
        if row not in actual:
            fail(f"{label}: {row[0]} {row[1]} is missing")
        elif actual[row] != value:
            fail(f"{label}: {row[0]} {row[1]} is {actual[row]!r}, expected {value!r}")
    for row, value in actual.items():
        if row not in expected and value != "":
            fail(f"{label}: {row[0]} {row[1]} = {value!r} is not in the table")


def check_nothing_left(label, roots):
    for root in roots:
        left = exported(root)
        if left:
            fail(f"{label}: {root} still holds {sorted({key for key, _ in left})}")


def registered(inspecta, kavella):
    servers = {"{Inspecta2.ocx}": windows_path(inspecta), "{Kavella2.ocx}": windows_path(kavella)}
    for server in servers.values():
        wine("regsvr32", "/s", server)
    compare("DllRegisterServer", table(servers, "win64"), exported("HKEY_CLASSES_ROOT"))
    for server in servers.values():
        wine("regsvr32", "/u", "/s", server)
    check_nothing_left("DllUnregisterServer", ["HKEY_CLASSES_ROOT"])


def idt_rows(folder, name):
    with open(os.path.join(folder, name + ".idt"), encoding="utf-8", errors="replace") as lines:
        return [line.rstrip("\r\n").split("\t") for line in lines][3:]


def package(msi, arch):
    label = os.path.basename(msi)
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run(["msidump", "-d", folder, msi], capture_output=True, check=True)
        actual, keys_removed = {}, set()
        for _, root, key, name, value, _ in idt_rows(folder, "Registry"):
            if root != "-1" or not key.startswith("Software\\Classes\\"):
                fail(f"{label}: {key} is written under root {root}, not the installation's classes")
            key = key[len("Software\\Classes\\"):].lower()
            if name == "*" and not value:
                keys_removed.add(key)
                actual.setdefault((key, "@"), "")
            else:
                actual[(key, (name or "@").lower())] = value
        compare(label, table(PACKAGE_FILE_IDS, "win64" if arch == "x64" else "win32"), actual)
        for key in set(owned_keys()) - keys_removed:
            fail(f"{label}: {key} is not removed with everything under it on uninstall")
        files = sorted(row[2].split("|")[-1] for row in idt_rows(folder, "File"))
        if files != ["Inspecta2.ocx", "Kavella2.ocx"]:
            fail(f"{label}: installs {files}")
        for component in idt_rows(folder, "Component"):
            if (int(component[3]) & 256 != 0) != (arch == "x64"):
                fail(f"{label}: component {component[0]} is not marked {arch}")
    objdump = ("x86_64" if arch == "x64" else "i686") + "-w64-mingw32-objdump"
    for file in FILES.values():
        shipped = os.path.join(os.path.dirname(msi), arch, file)
        headers = subprocess.run([objdump, "-p", shipped], capture_output=True, text=True).stdout
        if "(Windows GUI)" not in headers:
            fail(f"{shipped} does not declare the GUI subsystem")
        # Undecorated names: in a 32-bit library exporting DllGetClassObject@12 no host finds its entry points.
        if re.findall(r"^\t\[\s*\d+\] (\S+)$", headers, re.M) != ENTRY_POINTS:
            fail(f"{shipped} does not export exactly {ENTRY_POINTS}")
    manifests(os.path.join(os.path.dirname(msi), arch), arch)
    summary = subprocess.run(["msiinfo", "suminfo", msi], capture_output=True, text=True, check=True).stdout
    platform = "x64;1033" if arch == "x64" else "Intel;1033"
    if f"Template: {platform}" not in summary:
        fail(f"{label}: the summary's platform is not {platform}: {summary}")


def manifests(folder, arch):
    """Each library's assembly manifest says what its registration says."""
    rows, namespace = table({}, "win32"), "{urn:schemas-microsoft-com:asm.v1}"
    for file in FILES.values():
        path = os.path.join(folder, file.replace(".ocx", ".sxs.manifest"))
        assembly = ElementTree.parse(path).getroot()
        identity = assembly.find(namespace + "assemblyIdentity")
        if identity.get("processorArchitecture") != ("amd64" if arch == "x64" else "x86"):
            fail(f"{path}: processorArchitecture is {identity.get('processorArchitecture')}")
        found = assembly.find(f"{namespace}file/{namespace}comClass")
        key = "clsid\\" + found.get("clsid").lower()
        library = rows.get((key + "\\typelib", "@"))
        for actual, expected in [(found.get("progid"), rows.get((key + "\\progid", "@"))),
                                 (found.get("threadingModel"), rows.get((key + "\\inprocserver32", "threadingmodel"))),
                                 (found.get("tlbid"), library)]:
            if actual != expected:
                fail(f"{path}: comClass says {actual!r} where registration says {expected!r}")
        stubs = {stub.get("iid").lower(): stub for stub in assembly.iter(namespace + "comInterfaceExternalProxyStub")}
        registered = {key.split("\\")[1] for key, name in rows
                      if key.startswith("interface\\") and name == "@" and key.count("\\") == 1
                      and rows.get((key + "\\typelib", "@")) == library}
        if set(stubs) != registered:
            fail(f"{path}: proxy stubs for {sorted(stubs)}, registration for {sorted(registered)}")
        for iid, stub in stubs.items():
            if stub.get("proxyStubClsid32") != rows.get((f"interface\\{iid}\\proxystubclsid32", "@")):
                fail(f"{path}: {iid} has proxy {stub.get('proxyStubClsid32')}")


def installed_paths(values):
    """The folder the package installed into, read from the registration it wrote."""
    server = values.get(("clsid\\{05767801-2078-44ed-8910-4dccc42bf98f}\\inprocserver32", "@"), "")
    folder = server.rpartition("\\")[0]
    return folder, {placeholder: folder + "\\" + file for placeholder, file in FILES.items()}


def round_trip(msi, scope, client):
    options = ["MSIINSTALLPERUSER=1", "ALLUSERS=2"] if scope == "user" else []
    root, other = ("HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE") if scope == "user" else (
        "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER")
    root, other = root + "\\Software\\Classes", other + "\\Software\\Classes"
    package_path, folder = windows_path(msi), ""
    try:
        wine("msiexec", "/i", package_path, "/qn", *options)
        installed = exported(root)
        folder, paths = installed_paths(installed)
        expected = "\\AppData\\Local\\Programs\\Inspecta-x64" if scope == "user" else "C:\\Program Files\\Inspecta"
        if not folder.endswith(expected):
            fail(f"installed into {folder!r}, expected a folder ending in {expected!r}")
        compare(f"installed {scope}", table(paths, "win64"), installed)
        check_nothing_left(f"installed {scope}, the other scope", [other])
        result = wine("cscript.exe", "//nologo", windows_path(client))
        print(result.stdout, end="")
    finally:
        wine("msiexec", "/x", package_path, "/qn")  # removal finds the scope by itself
    check_nothing_left(f"uninstalled {scope}", [root, other])
    if folder and os.path.exists(subprocess.run(["winepath", "-u", folder], capture_output=True,
                                                text=True).stdout.strip()):
        fail(f"uninstalled {scope}: {folder} is still there")


if __name__ == "__main__":
    commands = {"registered": registered, "package": package, "round-trip": round_trip}
    if len(sys.argv) < 2 or sys.argv[1] not in commands:
        sys.exit(__doc__)
    commands[sys.argv[1]](*sys.argv[2:])
    print(f"{len(failures)} mismatch(es)" if failures else "all checks passed")
    sys.exit(1 if failures else 0)
