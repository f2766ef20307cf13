#!/usr/bin/env python3
"""Fails when a library includes a header of a layer above it.

The layers run one way: platform -> ticket -> framework -> filters, with the
converter interface (on the platform) below the filters, the host beside the
filters (on the platform, the ticket library and the driver's code) and the
driver's code on the platform and the ticket library. The converter
libraries are the driver package's own and link no library of ours: from the
platform they may include only the headers the converter interface includes
(directly or through one another), which declare the types they exchange.
Usage: check_layers.py <source root>.
"""
import pathlib
import re
import sys

# What each folder's code may include, besides itself.
ALLOWED = {
    "platform": set(),
    "ticket": {"platform"},
    "framework": {"platform", "ticket"},
    "converter": {"platform"},
    "filters": {"platform", "ticket", "framework", "converter"},
    "driver": {"platform", "ticket"},
    "host": {"platform", "ticket", "driver"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)
CONVERTER_INTERFACE = "converter/converter_interface.h"


def platform_headers_of(root, header):
    """The platform headers a header includes, directly or through one another."""
    seen = set()
    pending = [root / header]
    while pending:
        for name in INCLUDE.findall(pending.pop().read_text(encoding="utf-8")):
            if name.startswith("platform/") and name not in seen:
                seen.add(name)
                pending.append(root / "platform" / "include" / name)
    return seen


def layer_of(root, source, name):
    """The top-level folder an include names, or None when it is outside every layer."""
    first = name.split("/", 1)[0]
    if first in ALLOWED and "/" in name:
        return first
    resolved = (source.parent / name).resolve()
    try:
        top = resolved.relative_to(root).parts[0]
    except ValueError:
        return None
    return top if top in ALLOWED and resolved.exists() else None


def main():
    root = pathlib.Path(sys.argv[1]).resolve()
    faults = []
    interface_headers = platform_headers_of(root, CONVERTER_INTERFACE)
    for source in (root / "converter").rglob("*"):
        if source.suffix not in (".h", ".cpp"):
            continue
        for name in INCLUDE.findall(source.read_text(encoding="utf-8")):
            if name.startswith("platform/") and name not in interface_headers:
                faults.append(f"{source.relative_to(root)}: converter/ includes {name}, which the converter "
                              f"interface does not declare")
    for layer, allowed in ALLOWED.items():
        sources = [p for p in (root / layer).rglob("*") if p.suffix in (".h", ".cpp")]
        if not sources and layer != "driver":
            faults.append(f"{layer}/: no sources found under {root}")
        for source in sources:
            for name in INCLUDE.findall(source.read_text(encoding="utf-8")):
                target = layer_of(root, source, name)
                if target and target != layer and target not in allowed:
                    faults.append(f"{source.relative_to(root)}: {layer}/ includes {name} from {target}/")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
