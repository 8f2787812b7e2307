#!/usr/bin/perl
# Makes the HTML manual and the man page from docs/manual.md, the one source of both.
# The HTML carries its pictures inside, so it reads the same beside the program in a build
# tree and in share/doc/ once installed. Only the Markdown the manual uses is understood:
# "#" to "###" headings, paragraphs, "- " lists, fenced code, two-column tables, pictures
# alone on their lines, and `code`, **strong**, *emphasis* and [links](address) inline.
#
#   scripts/manual.pl [--html FILE] [--man FILE] [--version TEXT] docs/manual.md
use strict;
use warnings;
use File::Basename qw(dirname);
use Getopt::Long qw(GetOptions);
use MIME::Base64 qw(encode_base64);

my ($html_file, $man_file, $version) = ('', '', '');
GetOptions('html=s' => \$html_file, 'man=s' => \$man_file, 'version=s' => \$version)
    && @ARGV == 1
    or die "usage: $0 [--html FILE] [--man FILE] [--version TEXT] MANUAL.md\n";
my $source = $ARGV[0];

open(my $in, '<:encoding(UTF-8)', $source) or die "$source: $!\n";
my @lines = <$in>;
close $in;
chomp @lines;
my @blocks = parse(@lines);
my ($title_block) = grep { $_->{type} eq 'heading' && $_->{level} == 1 } @blocks;
die "$source: no \"# \" title\n" unless $title_block;
my $title = join(' ', grep { length } $title_block->{text}, $version);

write_file($html_file, html(@blocks)) if $html_file;
write_file($man_file, man(@blocks)) if $man_file;

sub write_file {
    my ($file, $text) = @_;
    # Written whole or not at all, so a failed run leaves no half manual for the build.
    open(my $out, '>:encoding(UTF-8)', "$file.part") or die "$file.part: $!\n";
    print $out $text;
    close $out or die "$file.part: $!\n";
    rename("$file.part", $file) or die "$file: $!\n";
}

# Blocks: heading {level, text}, paragraph {text}, list {items}, code {lines},
# table {rows: header first}, pictures {pictures: [alt, path]}.
sub parse {
    my @lines = @_;
    my @blocks;
    my $i = 0;
    my $picture = qr/!\[([^\]]*)\]\(([^)\s]+)\)/;
    while ($i < @lines) {
        my $line = $lines[$i];
        if ($line =~ /^\s*$/) {
            $i++;
        } elsif ($line =~ /^```/) {
            my @code;
            $i++;
            while ($i < @lines && $lines[$i] !~ /^```/) {
                push @code, $lines[$i++];
            }
            die "$source: unclosed code block\n" if $i >= @lines;
            $i++;
            push @blocks, {type => 'code', lines => \@code};
        } elsif ($line =~ /^(#{1,3}) +(.*?)\s*$/) {
            push @blocks, {type => 'heading', level => length $1, text => $2};
            $i++;
        } elsif ($line =~ /^\|/) {
            my @rows;
            while ($i < @lines && $lines[$i] =~ /^\|/) {
                my $row = $lines[$i++];
                next if $row =~ /^\|[\s|:-]+$/;
                $row =~ s/^\|//;
                $row =~ s/\|\s*$//;
                push @rows, [map { my $c = $_; $c =~ s/^\s+|\s+$//g; $c =~ s/\\\|/|/g; $c }
                             split(/(?<!\\)\|/, $row, -1)];
            }
            push @blocks, {type => 'table', rows => \@rows};
        } elsif ($line =~ /^- /) {
            my @items;
            while ($i < @lines && $lines[$i] =~ /^(- |  +\S)/) {
                my $text = $lines[$i++];
                if ($text =~ s/^- //) {
                    push @items, $text;
                } else {
                    $text =~ s/^\s+//;
                    $items[-1] .= " $text";
                }
            }
            push @blocks, {type => 'list', items => \@items};
        } elsif ($line =~ /^\s*$picture(\s+$picture)*\s*$/) {
            my @pictures;
            while ($i < @lines && $lines[$i] =~ /^\s*$picture(\s+$picture)*\s*$/) {
                push @pictures, [$1, $2] while $lines[$i] =~ /$picture/g;
                $i++;
            }
            push @blocks, {type => 'pictures', pictures => \@pictures};
        } else {
            my @text;
            while ($i < @lines && $lines[$i] !~ /^\s*$|^```|^#{1,3} |^\||^- /) {
                push @text, $lines[$i++];
            }
            push @blocks, {type => 'paragraph', text => join(' ', @text)};
        }
    }
    return @blocks;
}

# Inline markup through one set of writers: text, code, strong, emphasis, link.
sub inline {
    my ($text, $w) = @_;
    my $out = '';
    while (length $text) {
        if ($text =~ s/^\\([\\`*_\[\]()|#<>!-])//) {
            $out .= $w->{text}->($1);
        } elsif ($text =~ s/^(`+)\s?(.+?)\s?\1(?!`)//) {
            $out .= $w->{code}->($2);
        } elsif ($text =~ s/^\*\*(.+?)\*\*//) {
            $out .= $w->{strong}->(inline($1, $w));
        } elsif ($text =~ s/^\*(?=\S)(.+?)(?<=\S)\*//) {
            $out .= $w->{emphasis}->(inline($1, $w));
        } elsif ($text =~ s/^\[([^\]]+)\]\(([^)\s]+)\)//) {
            $out .= $w->{link}->(inline($1, $w), $2, $1);
        } elsif ($text =~ s/^([^\\`*\[]+|.)//s) {
            $out .= $w->{text}->($1);
        }
    }
    return $out;
}

sub plain {
    my ($text) = @_;
    return inline($text, {
        text => sub { $_[0] }, code => sub { $_[0] }, strong => sub { $_[0] },
        emphasis => sub { $_[0] }, link => sub { $_[0] },
    });
}

# The anchor GitHub gives a heading, so links inside the manual work in both places.
sub anchor {
    my $id = lc plain($_[0]);
    $id =~ s/[^\w\- ]//g;
    $id =~ tr/ /-/;
    return $id;
}

sub html_escape {
    my ($text) = @_;
    $text =~ s/&/&amp;/g;
    $text =~ s/</&lt;/g;
    $text =~ s/>/&gt;/g;
    $text =~ s/"/&quot;/g;
    return $text;
}

sub html_inline {
    return inline($_[0], {
        text     => \&html_escape,
        code     => sub { '<code>' . html_escape($_[0]) . '</code>' },
        strong   => sub { "<strong>$_[0]</strong>" },
        emphasis => sub { "<em>$_[0]</em>" },
        link     => sub { '<a href="' . html_escape($_[1]) . "\">$_[0]</a>" },
    });
}

sub picture_data {
    my ($path) = @_;
    my $file = dirname($source) . "/$path";
    my %types = (png => 'image/png', jpg => 'image/jpeg', jpeg => 'image/jpeg');
    my ($extension) = $path =~ /\.(\w+)$/;
    my $type = $types{lc($extension // '')} or die "$source: $path is not a PNG or JPEG\n";
    open(my $in, '<:raw', $file) or die "$file: $!\n";
    local $/;
    my $bytes = <$in>;
    close $in;
    return "data:$type;base64," . encode_base64($bytes, '');
}

sub html {
    my @blocks = @_;
    my @contents = map { '<li><a href="#' . anchor($_->{text}) . '">' . html_inline($_->{text})
                         . '</a></li>' }
                   grep { $_->{type} eq 'heading' && $_->{level} == 2 } @blocks;
    my $body = '';
    for my $block (@blocks) {
        if ($block->{type} eq 'heading') {
            if ($block->{level} == 1) {
                $body .= '<h1>' . html_escape($title) . "</h1>\n";
                $body .= "<nav><ul>\n" . join("\n", @contents) . "\n</ul></nav>\n";
                next;
            }
            my $h = "h$block->{level}";
            $body .= "<$h id=\"" . anchor($block->{text}) . "\">" . html_inline($block->{text})
                     . "</$h>\n";
        } elsif ($block->{type} eq 'paragraph') {
            $body .= '<p>' . html_inline($block->{text}) . "</p>\n";
        } elsif ($block->{type} eq 'list') {
            $body .= "<ul>\n" . join('', map { '<li>' . html_inline($_) . "</li>\n" }
                                          @{$block->{items}}) . "</ul>\n";
        } elsif ($block->{type} eq 'code') {
            $body .= '<pre><code>' . html_escape(join("\n", @{$block->{lines}}))
                     . "</code></pre>\n";
        } elsif ($block->{type} eq 'table') {
            my ($head, @rows) = @{$block->{rows}};
            $body .= "<table>\n<tr>" . join('', map { '<th>' . html_inline($_) . '</th>' } @$head)
                     . "</tr>\n";
            $body .= '<tr>' . join('', map { '<td>' . html_inline($_) . '</td>' } @$_) . "</tr>\n"
                for @rows;
            $body .= "</table>\n";
        } elsif ($block->{type} eq 'pictures') {
            $body .= '<p class="pictures">'
                     . join("\n", map { '<img src="' . picture_data($_->[1]) . '" alt="'
                                        . html_escape($_->[0]) . '" title="'
                                        . html_escape($_->[0]) . '">' } @{$block->{pictures}})
                     . "</p>\n";
        }
    }
    my $head_title = html_escape("$title - User Manual");
    return <<"END";
<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>$head_title</title>
<style>
body { font-family: sans-serif; max-width: 50em; margin: 2em auto; padding: 0 1em;
       line-height: 1.45; color: #222; }
h1 { font-size: 1.6em; }
h2 { font-size: 1.25em; margin-top: 1.8em; border-bottom: 1px solid #ddd; }
h3 { font-size: 1.05em; }
table { border-collapse: collapse; margin: 0.5em 0; }
td, th { border: 1px solid #ccc; padding: 0.25em 0.6em; text-align: left; vertical-align: top; }
td:first-child code { white-space: nowrap; }
code { background: #f3f3f3; padding: 0 0.2em; }
pre { background: #f3f3f3; padding: 0.6em; overflow-x: auto; }
pre code { padding: 0; }
.pictures img { max-width: 100%; margin: 0 0.5em 0.5em 0; vertical-align: top; }
nav ul { columns: 2; }
</style>
</head>
<body>
$body</body>
</html>
END
}

# roff: a backslash is \e, every hyphen a minus (options copy as typed), other characters
# beyond ASCII by their code point, and no line may begin as a request.
sub roff_escape {
    my ($text) = @_;
    $text =~ s/\\/\\e/g;
    $text =~ s/-/\\-/g;
    $text =~ s/([^\x00-\x7F])/sprintf('\\[u%04X]', ord $1)/ge;
    return $text;
}

sub roff_line {
    my ($text) = @_;
    $text =~ s/^([.'])/\\&$1/;
    return "$text\n";
}

sub man_inline {
    return inline($_[0], {
        text     => \&roff_escape,
        code     => sub { '\fB' . roff_escape($_[0]) . '\fR' },
        strong   => sub { "\\fB$_[0]\\fR" },
        emphasis => sub { "\\fI$_[0]\\fR" },
        link     => sub {
            my ($text, $address, $source_text) = @_;
            return $text if $address !~ /^(https?|mailto):/ || $source_text eq $address;
            return "$text (" . roff_escape($address) . ')';
        },
    });
}

sub man {
    my @blocks = @_;
    my $name = plain($title_block->{text});
    my $out = '.TH ' . uc(roff_escape($name)) . ' 1 "" "' . roff_escape($title)
              . "\" \"User Commands\"\n"
              # Error lines and option names read better unbroken and unstretched.
              . ".nh\n.ad l\n";
    for my $block (@blocks) {
        if ($block->{type} eq 'heading') {
            next if $block->{level} == 1;
            my $text = roff_escape(plain($block->{text}));
            $out .= $block->{level} == 2 ? '.SH ' . uc($text) . "\n" : ".SS $text\n";
        } elsif ($block->{type} eq 'paragraph') {
            $out .= ".PP\n" . roff_line(man_inline($block->{text}));
        } elsif ($block->{type} eq 'list') {
            $out .= ".IP \\(bu 2\n" . roff_line(man_inline($_)) for @{$block->{items}};
        } elsif ($block->{type} eq 'code') {
            $out .= ".PP\n.RS 4\n.nf\n";
            $out .= roff_line(roff_escape($_)) for @{$block->{lines}};
            $out .= ".fi\n.RE\n";
        } elsif ($block->{type} eq 'table') {
            # A table is a list of tagged paragraphs: the first column tags the second.
            my ($head, @rows) = @{$block->{rows}};
            die "$source: a table for the man page has two columns: @$head\n" if @$head != 2;
            $out .= ".TP\n" . roff_line(man_inline($_->[0])) . roff_line(man_inline($_->[1]))
                for @rows;
        }
        # Pictures have no place in a terminal; the text around them stands without them.
    }
    return $out;
}
