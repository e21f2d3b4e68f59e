"""Builds the sample documents of the simulated chip from their descriptions."""
