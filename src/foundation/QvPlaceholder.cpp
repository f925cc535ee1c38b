// Placeholder until the foundation code lands.
