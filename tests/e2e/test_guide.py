"""The user guide and the README link only to what exists: other files, pictures and headings
(with the anchors GitHub and the packaged HTML both give them). Needs no Wine."""

import re
import sys
import unittest

import rig

sys.path.insert(0, str(rig.ROOT / "scripts"))
from guide_html import github_slug  # noqa: E402

DOCS = [rig.ROOT / "README.md", rig.ROOT / "docs" / "guide.md"]
PICTURES = rig.ROOT / "docs" / "guide"


def without_code(text):
    text = re.sub(r"^```.*?^```", "", text, flags=re.S | re.M)
    return re.sub(r"`[^`\n]*`", "", text)


def links(text):
    """(is_image, target) of every inline link and picture outside code."""
    return [(bang == "!", target) for bang, target in
            re.findall(r"(!?)\[[^\]]*\]\(\s*<?([^)\s>]+)>?(?:\s+\"[^\"]*\")?\s*\)",
                       without_code(text))]


def anchors(text):
    headings = re.findall(r"^#{1,6}\s+(.+?)\s*#*\s*$", without_code(text), flags=re.M)
    return {github_slug(h) for h in headings}


class GuideLinks(unittest.TestCase):

    def test_links_and_pictures_resolve(self):
        for doc in DOCS:
            text = doc.read_text(encoding="utf-8")
            found = links(text)
            self.assertTrue(found, f"{doc.name} has links")
            for is_image, target in found:
                with self.subTest(doc=doc.name, target=target):
                    if re.match(r"^[a-z][a-z0-9+.-]*:", target):
                        self.assertFalse(is_image, "pictures are kept beside the guide")
                        continue
                    path, _, anchor = target.partition("#")
                    file = (doc.parent / path).resolve() if path else doc
                    self.assertTrue(file.is_file(), f"{file} does not exist")
                    if is_image:
                        self.assertEqual(file.read_bytes()[:8], b"\x89PNG\r\n\x1a\n")
                    if anchor:
                        self.assertIn(anchor, anchors(file.read_text(encoding="utf-8")),
                                      f"no heading for #{anchor} in {file.name}")

    def test_every_picture_in_the_guide_folder_is_shown(self):
        shown = {(rig.ROOT / "docs" / t).resolve()
                 for image, t in links((rig.ROOT / "docs" / "guide.md").read_text()) if image}
        for picture in PICTURES.iterdir():
            self.assertIn(picture.resolve(), shown, f"{picture.name} is not in the guide")


if __name__ == "__main__":
    unittest.main()
