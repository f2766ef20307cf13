"""Copies an XPS package and gives some of its pages a print ticket of their own.

    with_page_tickets.py IN OUT PAGE=TICKET_FILE ...

PAGE is a page part name without its leading slash ("Documents/1/Pages/2.fpage").
"""
import sys
import zipfile

PRINT_TICKET = "http://schemas.microsoft.com/xps/2005/06/printticket"
TICKET_TYPE = "application/vnd.ms-printing.printticket+xml"


def main(argv):
    source, target = argv[1], argv[2]
    tickets = dict(arg.split("=", 1) for arg in argv[3:])
    with zipfile.ZipFile(source) as package, zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as out:
        names = package.namelist()
        for name in names:
            data = package.read(name)
            if name == "[Content_Types].xml":
                overrides = "".join(f'<Override PartName="/{page}.ticket.xml" ContentType="{TICKET_TYPE}"/>'
                                    for page in tickets)
                data = data.replace(b"</Types>", overrides.encode() + b"</Types>")
            folder, _, leaf = name.rpartition("/_rels/")
            page = f"{folder}/{leaf[:-len('.rels')]}" if leaf else None
            if page in tickets:
                link = f'<Relationship Id="PT1" Type="{PRINT_TICKET}" Target="/{page}.ticket.xml"/>'
                data = data.replace(b"</Relationships>", link.encode() + b"</Relationships>")
            out.writestr(name, data)
        for page, ticket in tickets.items():
            with open(ticket, "rb") as f:
                out.writestr(f"{page}.ticket.xml", f.read())


if __name__ == "__main__":
    main(sys.argv)
