#!/usr/bin/env python3
"""The Python binding's overhead: AddFaces and GetGeometry of a 999,698-triangle
grid from Python against the same C++ calls (the python-grid cases of vgx_bench),
in one run on one machine. Prints a Markdown table.

usage: PYTHONPATH=BUILD/python python3 bench/python_overhead.py BUILD [--repeats N]
"""
import argparse
import json
import os
import subprocess
import time

import numpy as np
import vorlansg

SIDE = 707


def triangle_grid():
    j, i = np.meshgrid(np.arange(SIDE + 1), np.arange(SIDE + 1), indexing="ij")
    points = np.stack([i.ravel(), j.ravel(), np.zeros(i.size)], axis=1).astype(np.float32)
    uvs = np.stack([i.ravel().astype(np.float32) / np.float32(SIDE),
                    j.ravel().astype(np.float32) / np.float32(SIDE)], axis=1)
    a = (np.arange(SIDE)[:, None] * (SIDE + 1) + np.arange(SIDE)[None, :]).ravel()
    corners = np.stack([a, a + 1, a + SIDE + 2, a, a + SIDE + 2, a + SIDE + 1], axis=1).reshape(-1, 3)
    blocks = np.zeros((len(corners), 10), np.int32)
    blocks[:, 0] = 3
    blocks[:, 1::3] = corners
    blocks[:, 3::3] = corners
    face_data = np.concatenate([blocks.ravel(), [0]]).astype(np.int32)
    return points, np.array([[0, 0, 1]], np.float32), uvs, face_data


def best_python_times(repeats):
    points, normals, uvs, face_data = triangle_grid()
    root = vorlansg.Vgx.create()
    add, get = [], []
    obj = None
    for _ in range(repeats):
        obj = None
        obj = root.CreateObject()
        start = time.perf_counter()
        obj.AddFaces(points, normals, uvs, face_data, True, False)
        add.append(time.perf_counter() - start)
    for _ in range(repeats):
        start = time.perf_counter()
        obj.GetGeometry()
        get.append(time.perf_counter() - start)
    return min(add), min(get)


def best_cpp_times(build, repeats):
    program = os.path.join(build, "bench", "vgx_bench")
    output = subprocess.run([program, "--benchmark_filter=/python-grid$", f"--benchmark_repetitions={repeats}",
                             "--benchmark_format=json"], check=True, capture_output=True, text=True).stdout
    best = {}
    for case in json.loads(output)["benchmarks"]:
        if case.get("run_type") == "iteration":
            seconds = case["real_time"] / 1e3  # reported in milliseconds
            best[case["run_name"]] = min(best.get(case["run_name"], seconds), seconds)
    return best["AddFaces/python-grid"], best["GetGeometry/python-grid"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--repeats", type=int, default=5)
    args = parser.parse_args()
    cpp = best_cpp_times(args.build, args.repeats)
    python = best_python_times(args.repeats)
    print("| call (999,698 triangles) | C++ | Python | Python / C++ |")
    print("|---|---|---|---|")
    for name, c, p in zip(("AddFaces", "GetGeometry"), cpp, python):
        print(f"| {name} | {c * 1e3:.1f} ms | {p * 1e3:.1f} ms | {p / c:.3f} |")


if __name__ == "__main__":
    main()
