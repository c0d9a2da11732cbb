#!/usr/bin/env python3
"""Loads a scene, smooths and reduces every mesh in it, and writes the result.

usage: smooth_and_reduce.py SCENE OUT [--smooth LEVEL] [--reduce PERCENT]
SCENE: .x, glTF (.gltf/.glb), OBJ, PLY, STL, FBX or COLLADA; OUT: .x, .gltf or .glb.
"""
import argparse

import vorlansg


def objects_of(group):
    """Every object under group, depth first."""
    pending = [group]
    while pending:
        current = pending.pop()
        yield from current.GetObjects()
        pending.extend(current.GetChildren())


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("scene")
    parser.add_argument("out")
    parser.add_argument("--smooth", type=int, default=1, help="subdivision levels (0-4)")
    parser.add_argument("--reduce", type=int, default=50, help="percent of the faces to keep (1-100)")
    args = parser.parse_args()

    root = vorlansg.Vgx.create()
    scene = root.CreateGroup(None)
    try:
        scene.Load(args.scene)
        for obj in objects_of(scene):
            before = obj.GetFaceCount()
            obj.Smooth(args.smooth, vorlansg.VgxCondition.VgxGreaterThan, 0, 0)
            smoothed = obj.GetFaceCount()
            obj.Reduce(args.reduce)
            print(f"{obj.Name or '(unnamed)'}: {before} faces, {smoothed} smoothed, {obj.GetFaceCount()} reduced")
        scene.Save(args.out)
    except vorlansg.VgxError as error:
        raise SystemExit(f"{args.scene}: error {error.Number} from {error.Source}: {error.Description}")
    print(f"wrote {args.out}")


if __name__ == "__main__":
    main()
