#!/usr/bin/env python3
"""A plain black X window of the given size, standing in for the one the
screen-saver daemon hands over. Prints its id, then waits to be killed.
   hostwin.py WIDTH HEIGHT"""
import ctypes
import sys
import time

x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_int] * 2 + [ctypes.c_uint] * 3 + \
    [ctypes.c_ulong] * 2
x.XCreateSimpleWindow.restype = ctypes.c_ulong
x.XMapWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
d = x.XOpenDisplay(None)
w = x.XCreateSimpleWindow(d, x.XDefaultRootWindow(d), 0, 0, int(sys.argv[1]), int(sys.argv[2]), 0, 0, 0)
x.XMapWindow(d, w)
x.XSync(d, 0)
print(w, flush=True)
while True:
    time.sleep(60)
