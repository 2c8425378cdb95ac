#!/usr/bin/env python3
"""Puts the page together in OUT-FOLDER: the page's own files, and sheetcalc-worker.js, which
holds the engine module and the worker's code inside one function (SheetcalcWorkerSource), whose
text the page turns into the worker's script.

Usage: assemble_page.py OUT-FOLDER ENGINE.js PAGE-FOLDER
"""
import pathlib
import shutil
import sys

out, engine, page = (pathlib.Path(a) for a in sys.argv[1:4])
out.mkdir(parents=True, exist_ok=True)
for name in ("index.html", "style.css", "app.js"):
    shutil.copyfile(page / name, out / name)
worker = ("function SheetcalcWorkerSource() {\n" + engine.read_text(encoding="utf-8") + "\n"
          + (page / "worker.js").read_text(encoding="utf-8") + "\n}\n")
(out / "sheetcalc-worker.js").write_text(worker, encoding="utf-8")
