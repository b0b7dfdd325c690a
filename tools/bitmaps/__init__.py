"""Generators of Tamboro's panel bitmaps, load pointer and window icon."""
