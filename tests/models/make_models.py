#!/usr/bin/python3
"""Writes the ONNX models the tests, the benchmarks and the demo use.

  colour.onnx      [1,3,256,256] RGB in [-1,1] -> mean of each plane -> fixed
                   linear mix -> 3 scores: mostly blue is class 0, mostly red
                   class 1 (the boss scene), mostly green class 2.
  reference.onnx   a MobileNet-like CNN with random weights: the cost of a real
                   scene model, for benchmarks.
  wrong_input.onnx the colour model's graph on a [1,3,128,128] input, which the
                   classifier's fixed input shape does not fit.
  wrong_type.onnx  an input of 64-bit integers instead of floats.
  empty_output.onnx a model whose output has no elements.

Deterministic: the same files on every run. Needs Debian's python3-onnx and
python3-numpy (run with /usr/bin/python3).
"""
import os
import sys

import numpy as np
import onnx
from onnx import TensorProto, helper, numpy_helper

OPSET = 13


def save(model, path):
    onnx.checker.check_model(model)
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(model.SerializeToString())
    os.replace(tmp, path)


def colour_model(side=256):
    # Each class scores its own plane against half of each other plane.
    mix = np.array([
        # class: blue  red   green      (rows: input plane r, g, b)
        [-0.5, 1.0, -0.5],
        [-0.5, -0.5, 1.0],
        [1.0, -0.5, -0.5],
    ], dtype=np.float32)
    bias = np.zeros(3, dtype=np.float32)
    nodes = [
        helper.make_node("ReduceMean", ["input"], ["means"], axes=[2, 3], keepdims=0),
        helper.make_node("Gemm", ["means", "mix", "bias"], ["scores"]),
    ]
    graph = helper.make_graph(
        nodes, "colour",
        [helper.make_tensor_value_info("input", TensorProto.FLOAT, [1, 3, side, side])],
        [helper.make_tensor_value_info("scores", TensorProto.FLOAT, [1, 3])],
        initializer=[numpy_helper.from_array(mix, "mix"), numpy_helper.from_array(bias, "bias")])
    return helper.make_model(graph, opset_imports=[helper.make_opsetid("", OPSET)],
                             producer_name="tarsel-tests")


class Builder:
    def __init__(self, seed):
        self.rng = np.random.default_rng(seed)
        self.nodes = []
        self.inits = []
        self.count = 0
        self.macs = 0

    def weight(self, shape, fan_in):
        self.count += 1
        name = "w%d" % self.count
        value = self.rng.standard_normal(shape).astype(np.float32) * np.float32(np.sqrt(2.0 / fan_in))
        self.inits.append(numpy_helper.from_array(value, name))
        return name

    def conv(self, x, cin, cout, kernel, stride, group, side):
        out_side = side // stride
        w = self.weight([cout, cin // group, kernel, kernel], cin // group * kernel * kernel)
        y = "c%d" % self.count
        pad = kernel // 2
        self.nodes.append(helper.make_node(
            "Conv", [x, w], [y], kernel_shape=[kernel, kernel], strides=[stride, stride],
            pads=[pad, pad, pad, pad], group=group))
        r = y + "_relu"
        self.nodes.append(helper.make_node("Relu", [y], [r]))
        self.macs += out_side * out_side * cout * (cin // group) * kernel * kernel
        return r, out_side


def reference_model():
    b = Builder(20261210)
    x, side = b.conv("input", 3, 32, 3, 2, 1, 256)
    channels = 32
    # (output channels, depthwise stride): seven depthwise-separable blocks.
    for cout, stride in [(48, 1), (96, 2), (128, 1), (192, 2), (192, 1), (384, 2), (768, 2)]:
        x, side = b.conv(x, channels, channels, 3, stride, channels, side)
        x, side = b.conv(x, channels, cout, 1, 1, 1, side)
        channels = cout
    b.nodes.append(helper.make_node("GlobalAveragePool", [x], ["pooled"]))
    b.nodes.append(helper.make_node("Flatten", ["pooled"], ["features"], axis=1))
    fc = b.rng.standard_normal([channels, 4]).astype(np.float32) * np.float32(0.05)
    b.inits.append(numpy_helper.from_array(fc, "fc"))
    b.inits.append(numpy_helper.from_array(np.zeros(4, dtype=np.float32), "fc_bias"))
    b.nodes.append(helper.make_node("Gemm", ["features", "fc", "fc_bias"], ["scores"]))
    b.macs += channels * 4
    graph = helper.make_graph(
        b.nodes, "reference",
        [helper.make_tensor_value_info("input", TensorProto.FLOAT, [1, 3, 256, 256])],
        [helper.make_tensor_value_info("scores", TensorProto.FLOAT, [1, 4])],
        initializer=b.inits)
    convs = sum(1 for n in b.nodes if n.op_type == "Conv")
    model = helper.make_model(graph, opset_imports=[helper.make_opsetid("", OPSET)],
                              producer_name="tarsel-bench")
    return model, convs, b.macs


def wrong_type_model():
    nodes = [
        helper.make_node("Cast", ["input"], ["floats"], to=TensorProto.FLOAT),
        helper.make_node("ReduceMean", ["floats"], ["scores"], axes=[2, 3], keepdims=0),
    ]
    graph = helper.make_graph(
        nodes, "wrong_type",
        [helper.make_tensor_value_info("input", TensorProto.INT64, [1, 3, 256, 256])],
        [helper.make_tensor_value_info("scores", TensorProto.FLOAT, [1, 3])])
    return helper.make_model(graph, opset_imports=[helper.make_opsetid("", OPSET)],
                             producer_name="tarsel-tests")


def empty_output_model():
    # Slices every score away: a valid float output of shape [1, 0].
    starts = numpy_helper.from_array(np.array([0], dtype=np.int64), "starts")
    ends = numpy_helper.from_array(np.array([0], dtype=np.int64), "ends")
    axes = numpy_helper.from_array(np.array([1], dtype=np.int64), "axes")
    nodes = [
        helper.make_node("ReduceMean", ["input"], ["means"], axes=[2, 3], keepdims=0),
        helper.make_node("Slice", ["means", "starts", "ends", "axes"], ["scores"]),
    ]
    graph = helper.make_graph(
        nodes, "empty_output",
        [helper.make_tensor_value_info("input", TensorProto.FLOAT, [1, 3, 256, 256])],
        [helper.make_tensor_value_info("scores", TensorProto.FLOAT, [1, 0])],
        initializer=[starts, ends, axes])
    return helper.make_model(graph, opset_imports=[helper.make_opsetid("", OPSET)],
                             producer_name="tarsel-tests")


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    save(colour_model(), os.path.join(out, "colour.onnx"))
    save(colour_model(128), os.path.join(out, "wrong_input.onnx"))
    save(wrong_type_model(), os.path.join(out, "wrong_type.onnx"))
    save(empty_output_model(), os.path.join(out, "empty_output.onnx"))
    model, convs, macs = reference_model()
    save(model, os.path.join(out, "reference.onnx"))
    print("reference.onnx: %d convolutions, %.3f GFLOPs" % (convs, 2.0 * macs / 1e9))


if __name__ == "__main__":
    main()
