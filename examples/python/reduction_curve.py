#!/usr/bin/env python3
"""How many faces Reduce keeps of a mesh at each level, as a table and, when
matplotlib is installed, as a plot.

usage: reduction_curve.py MESH [--plot OUT.png]
"""
import argparse

import numpy as np
import vorlansg


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("mesh")
    parser.add_argument("--plot", help="write the curve to this PNG (needs matplotlib)")
    args = parser.parse_args()

    root = vorlansg.Vgx.create()
    source = root.CreateObject()
    source.Load(args.mesh)
    points, normals, uvs, face_data = source.GetGeometry()

    levels = np.arange(10, 101, 10)
    counts = []
    for level in levels:
        # A fresh copy per level, straight from the arrays.
        obj = root.CreateObject()
        obj.AddFaces(points, normals, uvs, face_data, False, False)
        obj.Reduce(int(level))
        counts.append(obj.GetFaceCount())
        print(f"level {level:3d}: {counts[-1]} faces")

    if args.plot:
        try:
            import matplotlib

            matplotlib.use("Agg")
            import matplotlib.pyplot as plt
        except ImportError:
            print("matplotlib is not installed: no plot")
            return
        figure, axes = plt.subplots(figsize=(6, 4))
        axes.plot(levels, counts, marker="o")
        axes.set_xlabel("Reduce level (percent kept)")
        axes.set_ylabel("faces")
        axes.set_title(args.mesh.rsplit("/", 1)[-1])
        axes.grid(True)
        figure.tight_layout()
        figure.savefig(args.plot)
        print(f"wrote {args.plot}")


if __name__ == "__main__":
    main()
