"""Copies an XPS package whose sequence has one fixed document and adds a copy of
that document (its pages as parts of their own) as a second one.

    two_documents.py IN OUT
"""
import sys
import zipfile


def main(argv):
    with zipfile.ZipFile(argv[1]) as package, zipfile.ZipFile(argv[2], "w", zipfile.ZIP_DEFLATED) as out:
        for name in package.namelist():
            data = package.read(name)
            if name.endswith(".fdseq"):
                data = data.replace(b"</FixedDocumentSequence>",
                                    b'<DocumentReference Source="/Documents/2/FixedDocument.fdoc"/>'
                                    b"</FixedDocumentSequence>")
            out.writestr(name, data)
            if name.startswith("Documents/1/"):
                out.writestr("Documents/2/" + name[len("Documents/1/"):], data)


if __name__ == "__main__":
    main(sys.argv)
