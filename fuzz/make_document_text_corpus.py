#!/usr/bin/env python3
"""Writes the seed corpus of document_text_fuzz: each seed's first byte
chooses the package member the rest becomes (0 body, 1 footnotes,
2 OpenDocument content, 3 a whole zip archive, 4 a compound file)."""
import io
import pathlib
import struct
import zipfile

W = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" ' \
    'xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006"'
BODY = f'''<w:document {W}><w:body>
<w:p><w:pPr><w:rPr><w:del w:id="9"/></w:rPr></w:pPr><w:r><w:t xml:space="preserve">Grüße </w:t><w:tab/><w:br w:type="page"/><w:noBreakHyphen/><w:sym w:char="20AC"/></w:r>
<w:ins><w:r><w:t>neu</w:t></w:r></w:ins><w:del><w:r><w:delText>alt</w:delText></w:r></w:del>
<w:r><w:fldChar w:fldCharType="begin"/><w:instrText>PAGE</w:instrText><w:fldChar w:fldCharType="separate"/><w:t>3</w:t><w:fldChar w:fldCharType="end"/></w:r>
<w:fldSimple w:instr="DATE"><w:r><w:t>heute</w:t></w:r></w:fldSimple><w:r><w:footnoteReference w:id="1"/></w:r>
<w:r><mc:AlternateContent><mc:Choice><w:txbxContent><w:p><w:r><w:t>Kasten</w:t></w:r></w:p></w:txbxContent></mc:Choice><mc:Fallback><w:t>x</w:t></mc:Fallback></mc:AlternateContent></w:r></w:p>
<w:tbl><w:tr><w:trPr><w:del/></w:trPr><w:tc><w:p/></w:tc></w:tr><w:tr><w:tc><w:tbl><w:tr><w:tc><w:p><w:r><w:t>innen</w:t></w:r></w:p></w:tc></w:tr></w:tbl><w:p/></w:tc><w:tc/></w:tr></w:tbl>
<w:sdt><w:sdtPr/><w:sdtContent><w:p><w:hyperlink><w:r><w:t>Link</w:t></w:r></w:hyperlink></w:p></w:sdtContent></w:sdt>
</w:body></w:document>'''
FOOTNOTES = f'''<w:footnotes {W}><w:footnote w:type="separator" w:id="0"><w:p/></w:footnote>
<w:footnote w:id="1"><w:p><w:r><w:footnoteRef/><w:t> Fußnote</w:t></w:r></w:p></w:footnote>
<w:footnote w:id="2"><w:p><w:r><w:footnoteRef/><w:t>zwei</w:t></w:r></w:p></w:footnote></w:footnotes>'''
CONTENT = '''<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"><office:body><office:text>
<text:tracked-changes><text:changed-region><text:deletion><text:p>weg</text:p></text:deletion></text:changed-region></text:tracked-changes>
<text:h>Titel</text:h><text:p> Grüße<text:s text:c="3"/>aus<text:tab/>Köln<text:line-break/><text:soft-page-break/>
<text:note text:note-class="footnote"><text:note-citation>1</text:note-citation><text:note-body><text:p>Fußnote</text:p></text:note-body></text:note>
<draw:frame><draw:text-box><text:p>Kasten</text:p></draw:text-box></draw:frame></text:p>
<text:list><text:list-item><text:number>1.</text:number><text:p>Punkt</text:p></text:list-item></text:list>
<table:table><table:table-row><table:table-cell><text:p>a</text:p></table:table-cell><table:covered-table-cell/>
<table:table-cell/></table:table-row></table:table></office:text></office:body></office:document-content>'''


def archive(members):
    out = io.BytesIO()
    with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED) as z:
        for name, data in members:
            # A fixed time, so that the seeds change only with their content.
            info = zipfile.ZipInfo(name, date_time=(2020, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_STORED if name == 'mimetype' else zipfile.ZIP_DEFLATED
            z.writestr(info, data)
    return out.getvalue()


def compound_file(names):
    """A compound file of 512-byte sectors: sector 0 the directory, 1 the
    allocation table; the streams are empty."""
    header = bytearray(512)
    header[0:8] = bytes.fromhex('D0CF11E0A1B11AE1')
    struct.pack_into('<HHHHH', header, 0x18, 0x3E, 3, 0xFFFE, 9, 6)
    struct.pack_into('<IIIIIIII', header, 0x2C, 1, 0, 0, 4096, 0xFFFFFFFE, 0, 0xFFFFFFFE, 0)
    struct.pack_into('<I', header, 0x4C, 1)
    header[0x50:512] = b'\xff' * (512 - 0x50)
    directory = bytearray()
    for index, (name, kind) in enumerate([('Root Entry', 5)] + [(n, 2) for n in names]):
        entry = bytearray(128)
        encoded = name.encode('utf-16-le')
        entry[0:len(encoded)] = encoded
        struct.pack_into('<HBB', entry, 0x40, len(encoded) + 2, kind, 1)
        right = index + 1 if 0 < index < len(names) else 0xFFFFFFFF
        child = 1 if index == 0 and names else 0xFFFFFFFF
        struct.pack_into('<III', entry, 0x44, 0xFFFFFFFF, right, child)
        struct.pack_into('<II', entry, 0x74, 0xFFFFFFFE, 0)
        directory += entry
    directory += bytes(512 - len(directory))
    fat = struct.pack('<II', 0xFFFFFFFE, 0xFFFFFFFD) + b'\xff' * 504
    return bytes(header + directory + fat)


def main():
    corpus = pathlib.Path(__file__).parent / 'corpus' / 'document_text'
    corpus.mkdir(parents=True, exist_ok=True)
    seeds = {
        'body.xml': b'\0' + BODY.encode(),
        'footnotes.xml': b'\1' + FOOTNOTES.encode(),
        'content.xml': b'\2' + CONTENT.encode(),
        'docx.zip': b'\3' + archive([('word/document.xml', BODY), ('word/footnotes.xml', FOOTNOTES)]),
        'odt.zip': b'\3' + archive([('mimetype', 'application/vnd.oasis.opendocument.text'),
                                    ('content.xml', CONTENT)]),
        'encrypted.cfb': b'\4' + compound_file(['EncryptionInfo', 'EncryptedPackage']),
    }
    for name, data in seeds.items():
        (corpus / name).write_bytes(data)


if __name__ == '__main__':
    main()
