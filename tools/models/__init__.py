"""Helpers for tools/make_models.py: geometry, textures and file writers."""
