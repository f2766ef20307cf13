#!/usr/bin/env python3
"""Checks the recording converter's call log against the pages of an XPS document.

Usage: compare_call_log.py DOCUMENT.xps LOG

For each page of the document, in order, the log must hold, after the page's
DevModeSet, XpsSetConvResAPI and XpsSetPageDevice, one call per element and
attribute of the page's markup: StartElem name, ReadAtt name=value for each
attribute from the last to the first, then EndCurElem for an element without
child elements or EndElem name; a ResourceDictionary with a Source is followed
by the elements of the part it names. Exit status 0 when everything matches,
1 with the first difference otherwise.
"""
import posixpath
import sys
import xml.parsers.expat
import zipfile


def escape(text):
    return text.replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r").replace("\t", "\\t")


def resolve(base, target):
    if not target.startswith("/"):
        target = posixpath.join(posixpath.dirname(base), target)
    return posixpath.normpath(target.replace("\\", "/"))


class Package:
    def __init__(self, path):
        self.zip = zipfile.ZipFile(path)
        self.names = {"/" + n.lower(): n for n in self.zip.namelist()}

    def read(self, name):
        return self.zip.read(self.names[name.lower()])

    def has(self, name):
        return name.lower() in self.names

    def start_part(self):
        rels = self.read("/_rels/.rels")
        start = []

        def element(name, attrs):
            if name.endswith("Relationship") and attrs.get("Type", "").endswith("/fixedrepresentation"):
                start.append(resolve("/", attrs["Target"]))

        parser = xml.parsers.expat.ParserCreate()
        parser.StartElementHandler = element
        parser.Parse(rels, True)
        return start[0]

    def references(self, part, element_name):
        found = []

        def element(name, attrs):
            if name.split(":")[-1] == element_name:
                found.append(resolve(part, attrs["Source"]))

        parser = xml.parsers.expat.ParserCreate()
        parser.StartElementHandler = element
        parser.Parse(self.read(part), True)
        return found

    def pages(self):
        for document in self.references(self.start_part(), "DocumentReference"):
            yield from self.references(document, "PageContent")


def expected_calls(package, part, chain=()):
    """The converter calls one part's markup gives, with its remote dictionaries."""
    calls = []
    stack = []  # per open element: [name, has child elements, dictionary source]
    parser = xml.parsers.expat.ParserCreate()
    parser.ordered_attributes = True

    def start(name, attrs):
        if stack:
            stack[-1][1] = True
        calls.append("StartElem " + escape(name))
        pairs = list(zip(attrs[0::2], attrs[1::2]))
        source = None
        for key, value in reversed(pairs):
            calls.append("ReadAtt %s=%s" % (escape(key), escape(value)))
            if name == "ResourceDictionary" and key == "Source":
                source = value
        stack.append([name, False, source])

    def end(name):
        _, has_children, source = stack.pop()
        calls.append("EndElem " + escape(name) if has_children else "EndCurElem")
        if source is not None:
            target = resolve(part, source)
            if target in chain or target == part:
                raise SystemExit("%s: the dictionary %s refers to itself" % (part, target))
            if package.has(target):
                calls.extend(expected_calls(package, target, chain + (part,)))

    parser.StartElementHandler = start
    parser.EndElementHandler = end
    parser.Parse(package.read(part), True)
    return calls


def log_pages(lines):
    """The element calls of each page in the log."""
    pages = []
    for line in lines:
        if line.startswith("DevModeSet "):
            pages.append([])
        elif not line or line.startswith(("Emit ", "XpsSetConvResAPI ", "XpsSetPageDevice ", "PrnCtrl")):
            continue
        elif pages:
            pages[-1].append(line)
    return pages


def main():
    package = Package(sys.argv[1])
    with open(sys.argv[2], encoding="utf-8") as log:
        logged = log_pages(log.read().split("\n"))
    names = list(package.pages())
    if len(names) != len(logged):
        print("%d pages in the document, %d in the log" % (len(names), len(logged)))
        return 1
    for number, (name, calls) in enumerate(zip(names, logged), 1):
        expected = expected_calls(package, name)
        for index, (want, got) in enumerate(zip(expected, calls)):
            if want != got:
                print("page %d (%s), call %d: expected %r, logged %r" % (number, name, index + 1, want, got))
                return 1
        if len(expected) != len(calls):
            print("page %d (%s): %d calls expected, %d logged" % (number, name, len(expected), len(calls)))
            return 1
        print("page %d (%s): %d calls match" % (number, name, len(calls)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
