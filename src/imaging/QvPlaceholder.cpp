// Placeholder until the imaging code lands.
