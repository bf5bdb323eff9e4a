#!/usr/bin/python3
"""The winget manifests make dist wrote, read back as winget reads them.
  winget-check.py DIST VERSION    every check, one ok:/FAIL: line each
  winget-check.py --arp DIST VERSION
                                  the uninstall entry the manifests promise,
                                  NAME=VALUE lines, for the installer test"""
import hashlib
import os
import re
import sys

import yaml

ID = "Tovra.Tovra"
# The fields each manifest type must have (schema 1.6.0), and each installer.
REQUIRED = {
    "version": ["PackageIdentifier", "PackageVersion", "DefaultLocale", "ManifestType", "ManifestVersion"],
    "installer": ["PackageIdentifier", "PackageVersion", "Installers", "ManifestType", "ManifestVersion"],
    "defaultLocale": ["PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher", "PackageName", "License",
                      "ShortDescription", "ManifestType", "ManifestVersion"],
}
INSTALLER_REQUIRED = ["Architecture", "InstallerUrl", "InstallerSha256"]
ARCHITECTURES = {"x86", "x64", "arm", "arm64", "neutral"}
# Lengths the schema allows: (least, most).
LENGTHS = {"Publisher": (2, 256), "PackageName": (2, 256), "License": (3, 512), "ShortDescription": (3, 256),
           "Description": (3, 10000), "Moniker": (1, 40)}
ID_PATTERN = re.compile(r'^[^.\s\\/:*?"<>|\x01-\x1f]{1,32}(\.[^.\s\\/:*?"<>|\x01-\x1f]{1,32}){1,7}$')

failed = False


def check(good, what):
    global failed
    print(("ok: " if good else "FAIL: ") + what)
    failed |= not good


def folder(dist, version):
    return os.path.join(dist, "winget", "manifests", ID[0].lower(), *ID.split("."), version)


def load(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    return text, yaml.safe_load(text)


def main(args):
    arp = args[:1] == ["--arp"]
    if arp:
        args = args[1:]
    if len(args) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    dist, version = args
    where = folder(dist, version)
    names = {"version": f"{ID}.yaml", "installer": f"{ID}.installer.yaml", "defaultLocale": f"{ID}.locale.en-US.yaml"}
    if arp:
        _, installer = load(os.path.join(where, names["installer"]))
        for entry in installer.get("AppsAndFeaturesEntries") or []:
            for key in ("DisplayName", "DisplayVersion", "Publisher"):
                print(f"{key}={entry.get(key, '')}")
        return 0

    present = sorted(os.listdir(where)) if os.path.isdir(where) else []
    check(present == sorted(names.values()), f"{where} holds the three manifests: {present}")
    manifests = {}
    for kind, name in names.items():
        path = os.path.join(where, name)
        if not os.path.isfile(path):
            continue
        text, m = load(path)
        manifests[kind] = m
        check(isinstance(m, dict), f"{name} is a YAML mapping")
        if not isinstance(m, dict):
            continue
        missing = [k for k in REQUIRED[kind] if m.get(k) in (None, "", [])]
        check(not missing, f"{name} has every field its type requires{': missing ' + ', '.join(missing) if missing else ''}")
        check(m.get("ManifestType") == kind, f"{name} is a {kind} manifest: {m.get('ManifestType')!r}")
        schema = f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.{m.get('ManifestVersion')}.schema.json"
        check(text.startswith(schema + "\n"), f"{name} names its schema: {text.splitlines()[0]!r}")
        check(re.search(r"@[A-Z0-9]+@", text) is None, f"{name} has nothing left to fill in")
        check(m.get("PackageIdentifier") == ID and bool(ID_PATTERN.match(ID)),
              f"{name}'s identifier is {ID}: {m.get('PackageIdentifier')!r}")
        # Read as winget reads it: a string, so that 1.00 stays 1.00.
        check(m.get("PackageVersion") == version, f"{name}'s version is VERSION's {version}: {m.get('PackageVersion')!r}")
        for key, (least, most) in LENGTHS.items():
            if key in m:
                value = m[key]
                check(isinstance(value, str) and least <= len(value) <= most,
                      f"{name}'s {key} is {least} to {most} characters: {value!r}")
    if len(manifests) != 3:
        return 1
    versions = {m.get("ManifestVersion") for m in manifests.values()}
    check(len(versions) == 1 and all(re.fullmatch(r"\d+\.\d+\.\d+", str(v)) for v in versions),
          f"one manifest version, X.Y.Z: {versions}")
    locale = manifests["defaultLocale"]
    check(manifests["version"].get("DefaultLocale") == locale.get("PackageLocale") == "en-US",
          f"the default locale is the locale manifest's: {manifests['version'].get('DefaultLocale')!r}")
    tags = locale.get("Tags") or []
    check(all(isinstance(t, str) and 1 <= len(t) <= 40 and " " not in t for t in tags),
          f"tags of at most 40 characters without spaces: {tags}")

    installer = manifests["installer"]
    setup = os.path.join(dist, f"Tovra-{version}-setup.exe")
    with open(setup, "rb") as f:
        sha = hashlib.sha256(f.read()).hexdigest().upper()
    installers = installer.get("Installers") or []
    archs = [i.get("Architecture") for i in installers]
    check(sorted(archs) == ["x64", "x86"] and set(archs) <= ARCHITECTURES,
          f"installers for x64 and x86, once each: {archs}")
    for i in installers:
        arch = i.get("Architecture")
        missing = [k for k in INSTALLER_REQUIRED if not i.get(k)]
        check(not missing, f"the {arch} installer has {', '.join(INSTALLER_REQUIRED)}{': missing ' + ', '.join(missing) if missing else ''}")
        url = str(i.get("InstallerUrl", ""))
        check(re.fullmatch(r"https://\S+/Tovra-" + re.escape(version) + r"-setup\.exe", url) is not None and len(url) <= 2048,
              f"the {arch} installer is downloaded over https as Tovra-{version}-setup.exe: {url}")
        check(str(i.get("InstallerSha256")) == sha,
              f"the {arch} installer's SHA-256 is that of {setup}: {i.get('InstallerSha256')} against {sha}")
        kind = i.get("InstallerType", installer.get("InstallerType"))
        check(kind == "nullsoft", f"the {arch} installer is a nullsoft one: {kind!r}")
        switches = i.get("InstallerSwitches", installer.get("InstallerSwitches")) or {}
        check(switches.get("Silent") == "/S" and switches.get("SilentWithProgress") == "/S",
              f"the {arch} installer runs silently with /S: {switches}")
    check(installer.get("Scope") == "machine", f"it installs for the machine: {installer.get('Scope')!r}")
    entries = installer.get("AppsAndFeaturesEntries") or []
    check(len(entries) == 1 and entries[0].get("DisplayVersion") == version and
          entries[0].get("DisplayName") and entries[0].get("Publisher") == locale.get("Publisher"),
          f"one uninstall entry, of this version and the locale's publisher: {entries}")
    return 1 if failed else 0


sys.exit(main(sys.argv[1:]))
