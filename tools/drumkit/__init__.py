"""Synthesizer for Tamboro's default drum kit (data/Samples)."""
