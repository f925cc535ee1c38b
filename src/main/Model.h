// The editor's composition root: the function TModule runs to create every module.
#pragma once

class TModule;

void ComposeEditor(TModule& Root);
